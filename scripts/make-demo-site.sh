#!/usr/bin/env bash
# Writes a demo site: the ini with a complete seller profile, the connector's
# .env, every folder the configuration names, Stelmar's tables built from
# demo/site.json, the connector stand-in as KsefAPI.exe and an inbox of
# purchase invoices for it to deliver. An existing site is renewed.
#   make-demo-site.sh FOLDER [BUILD_FOLDER]
set -euo pipefail
site="${1:?usage: make-demo-site.sh FOLDER [BUILD_FOLDER]}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${2:-${BRENVIK_BUILD_DIR:-$root/build}}"
mkdir -p "$site"
site="$(cd "$site" && pwd)"
rm -rf "$site/net" "$site/stelmar" "$site/ksef-data" "$site/connector" "$site/inbox" "$site/logs" \
  "$site/brenvik.ini"
mkdir -p "$site/net" "$site/stelmar/DATA" "$site/stelmar/TABLES" "$site/ksef-data" "$site/connector"

fixture="$build/tools/brenvik-fixture"
if [ -x "$fixture" ] && [ -f "$root/demo/site.json" ]; then
  "$fixture" "$root/demo/site.json" "$site/stelmar"
fi
sim="$build/tools/ksef-connector-sim/ksef-connector-sim"
if [ -x "$sim" ]; then
  cp "$sim" "$site/connector/KsefAPI.exe"
fi
if [ -d "$root/demo/inbox" ]; then
  mkdir -p "$site/inbox"
  cp "$root/demo/inbox/"*.xml "$site/inbox/" 2>/dev/null || true
fi
schema=""
for d in "${BRENVIK_FA3_SCHEMA_DIR:-}" "$root/third_party/fa3-schema"; do
  if [ -n "$d" ] && [ -f "$d/schemat_FA3_v1-0E.xsd" ]; then schema="$(cd "$d" && pwd)"; break; fi
done

cat > "$site/connector/.env" <<ENV
KSEF_NIP=5265877635
BASE_DIR_PATH=$site/ksef-data
KSEF_BASE_URL=https://ksef-demo.mf.gov.pl/api
KSEF_CERTIFICATE_PATH=$site/connector/certyfikat-demo.pfx
SIM_INBOX=$site/inbox
SIM_SCHEMA_DIR=$schema
ENV

cat > "$site/brenvik.ini" <<INI
; Strona demonstracyjna programu brenvik
[Log]
Enabled=1
Dir=$site/logs
MaxMB=5

[System]
NetFileDir=$site/net
CurDate=2026-04-10

[STELMAR]
StelmarDir=$site/stelmar
YearPrgTbl=1
CmrPacking=1

[KSeF]
DataDir=$site/ksef-data
APIConnectorExeDir=$site/connector
Ask2Send=1
Send2KsefStartDate=2026-04-01
DaysBackToSend=5

[Zwolnienie]
P_19A=art. 43 ust. 1 pkt 29 lit. a ustawy o VAT

[Podmiot1]
PrefiksPodatnika=PL
NIP=5265877635
Nazwa=Hurtownia Brenvik Sp. z o.o.
KodKraju=PL
AdresL1=ul. Magazynowa 12
AdresL2=00-950 Warszawa
Email1=faktury@brenvik.example.pl
Telefon1=+48 22 555 01 23

[RachunekBankowy1]
NumerRachunku=61109010140000071219812874
SWIFT=WBKPPLPP
NazwaBanku=Bank Przykładowy S.A.

[Informacje]
Informacje1=Dziękujemy za zakupy.

[Rejestry]
PelnaNazwa=Hurtownia Brenvik Spółka z ograniczoną odpowiedzialnością
KRS=0000123456
REGON=123456785
BDO=000012345
INI
echo "Strona demonstracyjna: $site"
