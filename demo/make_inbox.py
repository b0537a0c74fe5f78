#!/usr/bin/env python3
"""Writes the demo inbox: FA(3) purchase invoices addressed to the demo seller,
each named after its KSeF number. Run: python3 demo/make_inbox.py"""
import os
from decimal import Decimal, ROUND_HALF_UP

HERE = os.path.dirname(os.path.abspath(__file__))
SELLER = ("5265877635", "Hurtownia Brenvik Sp. z o.o.", "ul. Magazynowa 12", "00-950 Warszawa")

def r2(x):
    return Decimal(x).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP)

INVOICES = [
    dict(ksef="7792433421-20260407-4B7E19C2A0D3-1A", nip="7792433421",
         name="Budmax Sp. z o.o.", a1="ul. Głogowska 233", a2="60-104 Poznań",
         p2="FS/2026/04/0187", p1="2026-04-07", due="2026-04-21",
         lines=[("Cement portlandzki CEM I 42,5R 25 kg", "opak.", 120, "18.50", 23),
                ("Piasek kwarcowy płukany 25 kg", "opak.", 48, "12.19", 23)]),
    dict(ksef="8942893462-20260408-D1F0A83B5C27-BB", nip="8942893462",
         name="Elektro-Instal Jerzy Dąbrowski", a1="ul. Legnicka 55", a2="54-203 Wrocław",
         p2="12/04/2026/K", p1="2026-04-08", due="2026-04-15",
         lines=[("Montaż instalacji elektrycznej w magazynie B", "usł.", 1, "650.00", 23),
                ("Gniazdo podwójne z uziemieniem IP44", "szt.", 15, "17.00", 23)]),
    dict(ksef="9542751368-20260409-7A2C5E90F41B-5B", nip="9542751368",
         name="Papiernik Hurt Sp. z o.o.", a1="ul. Żwirki i Wigury 18", a2="40-063 Katowice",
         p2="FV/0412/2026", p1="2026-04-09", due="2026-04-23",
         lines=[("Papier ksero A4 80 g/m² (ryza 500 ark.)", "opak.", 40, "16.90", 23),
                ("Kawa ziarnista 1 kg", "opak.", 6, "58.00", 23),
                ("Woda źródlana 5 l", "szt.", 24, "4.50", 5)]),
]

def invoice(inv):
    per = {}
    rows = []
    for n, (name, unit, qty, price, rate) in enumerate(inv["lines"], 1):
        net = r2(Decimal(price) * qty)
        per.setdefault(rate, Decimal(0))
        per[rate] += net
        rows.append(f"""		<FaWiersz>
			<NrWierszaFa>{n}</NrWierszaFa>
			<P_7>{name}</P_7>
			<P_8A>{unit}</P_8A>
			<P_8B>{qty}</P_8B>
			<P_9A>{price}</P_9A>
			<P_11>{net}</P_11>
			<P_12>{rate}</P_12>
		</FaWiersz>""")
    tot, total = [], Decimal(0)
    for rate, el in ((23, "1"), (8, "2"), (5, "3")):
        if rate in per:
            vat = r2(per[rate] * rate / 100)
            tot.append(f"		<P_13_{el}>{per[rate]}</P_13_{el}>\n		<P_14_{el}>{vat}</P_14_{el}>")
            total += per[rate] + vat
    s = SELLER
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<Faktura xmlns:etd="http://crd.gov.pl/xml/schematy/dziedzinowe/mf/2022/01/05/eD/DefinicjeTypy/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns="http://crd.gov.pl/wzor/2025/06/25/13775/">
	<Naglowek>
		<KodFormularza kodSystemowy="FA (3)" wersjaSchemy="1-0E">FA</KodFormularza>
		<WariantFormularza>3</WariantFormularza>
		<DataWytworzeniaFa>{inv['p1']}T10:15:00Z</DataWytworzeniaFa>
		<SystemInfo>Program fakturujący dostawcy</SystemInfo>
	</Naglowek>
	<Podmiot1>
		<DaneIdentyfikacyjne>
			<NIP>{inv['nip']}</NIP>
			<Nazwa>{inv['name']}</Nazwa>
		</DaneIdentyfikacyjne>
		<Adres>
			<KodKraju>PL</KodKraju>
			<AdresL1>{inv['a1']}</AdresL1>
			<AdresL2>{inv['a2']}</AdresL2>
		</Adres>
	</Podmiot1>
	<Podmiot2>
		<DaneIdentyfikacyjne>
			<NIP>{s[0]}</NIP>
			<Nazwa>{s[1]}</Nazwa>
		</DaneIdentyfikacyjne>
		<Adres>
			<KodKraju>PL</KodKraju>
			<AdresL1>{s[2]}</AdresL1>
			<AdresL2>{s[3]}</AdresL2>
		</Adres>
		<JST>2</JST>
		<GV>2</GV>
	</Podmiot2>
	<Fa>
		<KodWaluty>PLN</KodWaluty>
		<P_1>{inv['p1']}</P_1>
		<P_2>{inv['p2']}</P_2>
{chr(10).join(tot)}
		<P_15>{total}</P_15>
		<Adnotacje>
			<P_16>2</P_16>
			<P_17>2</P_17>
			<P_18>2</P_18>
			<P_18A>2</P_18A>
			<Zwolnienie>
				<P_19N>1</P_19N>
			</Zwolnienie>
			<NoweSrodkiTransportu>
				<P_22N>1</P_22N>
			</NoweSrodkiTransportu>
			<P_23>2</P_23>
			<PMarzy>
				<P_PMarzyN>1</P_PMarzyN>
			</PMarzy>
		</Adnotacje>
		<RodzajFaktury>VAT</RodzajFaktury>
{chr(10).join(rows)}
		<Platnosc>
			<TerminPlatnosci>
				<Termin>{inv['due']}</Termin>
			</TerminPlatnosci>
			<FormaPlatnosci>6</FormaPlatnosci>
		</Platnosc>
	</Fa>
</Faktura>
"""

if __name__ == "__main__":
    os.makedirs(os.path.join(HERE, "inbox"), exist_ok=True)
    for inv in INVOICES:
        with open(os.path.join(HERE, "inbox", inv["ksef"] + ".xml"), "w", encoding="utf-8") as f:
            f.write(invoice(inv))
