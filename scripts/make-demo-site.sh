#!/usr/bin/env bash
# Writes a demo site: the ini with a complete seller profile, the connector's
# .env and every folder the configuration names. An existing site is renewed.
set -euo pipefail
site="${1:?usage: make-demo-site.sh FOLDER}"
mkdir -p "$site"
site="$(cd "$site" && pwd)"
rm -rf "$site/net" "$site/stelmar" "$site/ksef-data" "$site/connector" "$site/brenvik.ini"
mkdir -p "$site/net" "$site/stelmar/DATA" "$site/stelmar/TABLES" "$site/ksef-data" "$site/connector"

cat > "$site/connector/.env" <<ENV
KSEF_NIP=5265877635
BASE_DIR_PATH=$site/ksef-data
KSEF_BASE_URL=https://ksef-demo.mf.gov.pl/api
KSEF_CERTIFICATE_PATH=$site/connector/certyfikat-demo.pfx
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

[KSeF]
DataDir=$site/ksef-data
APIConnectorExeDir=$site/connector
Ask2Send=1
Send2KsefStartDate=2026-04-01
DaysBackToSend=5

[Podmiot1]
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
