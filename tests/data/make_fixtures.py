#!/usr/bin/env python3
"""Writes the Stelmar fixture sites (stelmar-mix.json, stelmar-users.json,
demo/site.json) from the document descriptions below, so that register totals
are always derived from the lines the same way the export computes them.
Run from anywhere: python3 tests/data/make_fixtures.py"""
import json, os, sys
from decimal import Decimal, ROUND_HALF_UP

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

def rnd(n, x):
    return Decimal(x).quantize(Decimal(1).scaleb(-n), rounding=ROUND_HALF_UP)

def net_from_gross(n, r, x):
    x = Decimal(str(x))
    return rnd(n, x) if r <= 0 else rnd(n, x * 100 / (r + 100))

def vat_from_net(r, x):
    return Decimal(0) if r <= 0 else rnd(2, Decimal(r) / 100 * x)

EU_VAT_CODES = {"AT", "BE", "BG", "CY", "CZ", "DE", "DK", "EE", "EL", "ES", "FI", "FR", "HR",
                "HU", "IE", "IT", "LT", "LU", "LV", "MT", "NL", "PL", "PT", "RO", "SE", "SI",
                "SK", "XI"}

# ---------------------------------------------------------------- layouts
WI_FIELDS = [["Type", "S"], ["Year", "S"], ["MagId", "S"], ["Number", "S"],
             ["Name", "A24"], ["Date", "@"], ["SaleDate", "D"], ["Flags", "I"],
             ["Options", "I"], ["IntlId", "A3"], ["User", "I"], ["CarId", "S"],
             ["Comment", "A120"], ["PayInfo", "S"], ["PayDelay", "S"],
             ["MasterType", "S"], ["MasterYear", "S"], ["MasterMagId", "S"],
             ["MasterNumber", "S"]]
WT_FIELDS = [["Type", "S"], ["Year", "S"], ["MagId", "S"], ["Number", "S"],
             ["InvoPos", "S"], ["Group", "A4"], ["Index", "I"], ["Series", "I"],
             ["Price", "N"], ["Quantity", "N"], ["VAT", "N"], ["Cost", "N"]]
W_FIELDS = [["Group", "A4"], ["Index", "I"], ["Name", "A60"], ["Unit", "A8"],
            ["Options", "I"], ["GTU", "S"], ["VAT", "N"]]
WS_FIELDS = [["Group", "A4"], ["Index", "I"], ["SeriesNo", "I"], ["MagId", "S"],
             ["Quantity", "N"], ["Cost", "N"]]
REG_FIELDS = [["Class", "S"], ["Year", "S"], ["MagId", "S"], ["Number", "S"],
              ["Document", "A40"], ["Date", "D"], ["NIP", "A20"], ["KSeF", "A40"],
              ["Value", "$"], ["Value22", "$"], ["Tax22", "$"], ["Value7", "$"],
              ["Tax7", "$"], ["Value3", "$"], ["Tax3", "$"], ["Value0", "$"],
              ["ValueFree", "$"], ["NPO", "$"], ["Flags", "I"]]
UR_REG_FIELDS = [["Number", "I"], ["Firm Name", "A60"], ["City", "A40"],
                 ["Options", "S"], ["Address", "A60"], ["ZipCode", "A10"],
                 ["NIP", "A20"], ["Payer", "A120"], ["Nip3IdWew", "A20"],
                 ["Permission", "A20"], ["ExtOpt", "I"]]
UR_USERS_FIELDS = [["Number", "I"], ["Firm Name", "A60"], ["City", "A40"],
                   ["Options", "S"], ["Address", "A60"], ["ZipCode", "A10"],
                   ["NIP", "A20"], ["PayerNumber", "I"], ["Payer", "A120"],
                   ["Nip3IdWew", "A20"], ["Permission", "A20"], ["ExtOpt", "I"]]
USERS_FIELDS = [["Number", "I"], ["Firm Name", "A60"], ["City", "A40"],
                ["Options", "S"], ["House", "A10"], ["Street", "A60"],
                ["ZipCode", "A10"], ["NIP", "A20"], ["ExtOpt", "I"],
                ["Comments", "A240"]]
DESC_FIELDS = [["Type", "S"], ["Year", "S"], ["MagId", "S"], ["Number", "S"],
               ["InvoPos", "S"], ["Description", "A240"]]
CARS_FIELDS = [["UserId", "I"], ["CarId", "S"], ["CarNrRej", "A12"],
               ["CarName", "A40"]]
BARCODE_FIELDS = [["Group", "A4"], ["Index", "I"], ["Barcode", "A20"]]
KEYS = {"WI": 4, "WT": 5, "W": 2, "WS": 4, "REG": 4, "UR": 1, "Users": 1,
        "desc": 5, "UsrCars": 2, "Barcodes": 2}

# ---------------------------------------------------------------- goods
# (group, index): name, unit, options, gtu, default VAT
GOODS = {
    ("A", 101): ("Wiertarka udarowa Bosch 750 W", "szt.", 0, 6, 23),
    ("A", 102): ("Wkrętarka akumulatorowa 18 V z ładowarką", "szt.", 0, 6, 23),
    ("A", 103): ("Zestaw wierteł do betonu 5 szt.", "opak.", 0, 0, 23),
    ("B", 201): ("Kabel YDY 3x2,5 mm2", "m", 0, 0, 23),
    ("B", 202): ("Przewód OWY 2x1,5 żółto-zielony", "m", 0, 0, 23),
    ("C", 301): ("Mąka pszenna typ 650", "kg", 0, 0, 5),
    ("C", 302): ("Cukier biały kryształ", "kg", 0, 0, 5),
    ("C", 303): ("Herbata czarna liściasta 100 g", "opak.", 0, 0, 5),
    ("D", 401): ("Woda mineralna niegazowana 1,5 l", "szt.", 0, 0, 8),
    ("D", 402): ("Usługa gastronomiczna — catering", "", 0, 0, 8),
    ("E", 501): ("Podręcznik „Księgowość w praktyce”", "szt.", 0, 0, 5),
    ("F", 601): ("Olej napędowy", "l", 0, 2, 23),
    ("G", 701): ("Szkolenie BHP — kurs okresowy", "", 0, 0, -1),
    ("G", 702): ("Usługa transportowa międzynarodowa", "", 0, 0, 0),
    ("H", 801): ("Laptop 15,6\" i5 16 GB / 512 GB SSD", "szt.", 8, 6, 23),
    ("H", 802): ("Smartfon 6,1\" 128 GB", "szt.", 8, 6, 23),
    ("K", 901): ("Płytki ceramiczne gres 60x60 szare", "m2", 0, 0, 23),
    ("K", 902): ("Klej do płytek elastyczny C2TE 25 kg", "opak.", 0, 0, 23),
    ("K", 903): ("Fuga cementowa biała 2 kg", "", 0, 0, 23),
    ("M", 111): ("Usługa montażowa poza terytorium kraju", "", 0, 0, -2),
    ("O", 1): ("Paleta EUR", "szt.", 0, 0, 23),
    ("O", 2): ("Skrzynka plastikowa zwrotna", "szt.", 0, 0, 23),
}
BARCODES = {("A", 101): "5901234123457", ("A", 102): "5902812345674",
            ("C", 301): "5900512345677", ("D", 401): "5901886001458",
            ("K", 902): "5907596201139"}

# ---------------------------------------------------------------- customers
# Polish NIPs below all carry valid check digits (verified by check_fixture.py).
CUSTOMERS = {
    1: dict(name="Przedsiębiorstwo Handlowe „Mazur” Sp. j.", city="Łódź",
            addr="ul. Piotrkowska 148/150", zip="90-063", nip="7251801126"),
    2: dict(name="Sklep Spożywczy Żabka-Gość Anna Wójcik", city="Kraków",
            addr="ul. Długa 17", zip="31-147", nip="6762468934"),
    3: dict(name="Budmax Sp. z o.o.", city="Poznań", addr="ul. Głogowska 233",
            zip="60-104", nip="7792433421"),
    4: dict(name="Kowalczyk i Synowie S.C.", city="Gdańsk",
            addr="ul. Grunwaldzka 82", zip="80-244", nip="5842734981"),
    5: dict(name="Müller Baustoffe GmbH", city="Berlin", opts=3,
            addr="Friedrichstraße 45", zip="10117", nip="DE811569869"),
    6: dict(name="Alpentech AG", city="Zürich", opts=3,
            addr="Bahnhofstrasse 10", zip="8001", nip="CH116281710"),
    7: dict(name="Szkoła Podstawowa nr 3 im. Marii Konopnickiej", city="Piaseczno",
            addr="ul. Szkolna 5", zip="05-500", nip="1231020210",
            payer="Gmina Piaseczno;ul. Kościuszki 5, 05-500 Piaseczno",
            perm="1231184420", ext=2),
    8: dict(name="Hotel Pod Różą Oddział Zakopane", city="Zakopane",
            addr="ul. Krupówki 12", zip="34-500", nip="7361003466",
            payer="Grupa Hotelowa Róża S.A.;ul. Floriańska 14, 31-021 Kraków",
            perm="", ext=0),
    9: dict(name="Grupa VAT Agromex — członek: Agromex Dystrybucja Sp. z o.o.",
            city="Lublin", addr="ul. Zemborzycka 112", zip="20-445",
            nip="9462654338", ext=32 | 16),
    10: dict(name="Transport Krajowy Zbigniew Ślusarczyk", city="Radom",
             addr="ul. Żelazna 7", zip="26-600", nip="7962910217"),
    11: dict(name="Elektro-Instal Jerzy Dąbrowski", city="Wrocław",
             addr="ul. Legnicka 55", zip="54-203", nip="8942893462"),
    12: dict(name="Zespół Szkół Zawodowych w Łęcznej", city="Łęczna",
             addr="ul. Krasnystawska 52", zip="21-010", nip="5050034446"),
}
CARS = [[10, 1, "WR 4521K", "Scania R450"], [10, 2, "WR 7733A", "MAN TGX"],
        [3, 1, "PO 1G234", "Iveco Daily"]]

def ur_row(num, c, users_layout=False, payer_number=0):
    row = [num, c["name"], c["city"], c.get("opts", 0), c["addr"], c["zip"], c["nip"]]
    if users_layout:
        row.append(payer_number)
    row += [c.get("payer"), c.get("nip3", ""), c.get("perm", ""), c.get("ext", 0)]
    return row

# ---------------------------------------------------------------- documents
def line(g, i, price, qty, vat=None, cost=0.0, pos=None):
    return dict(g=g, i=i, price=price, qty=qty,
                vat=GOODS[(g, i)][4] if vat is None else vat, cost=cost, pos=pos)

def doc(t, num, name, date, user, lines, sale=None, flags=0, options=0, intl="",
        car=0, comment="", payinfo=2, delay=14, master=None, regflags=0,
        ksef="", desc=(), purpose="", regdoc=None):
    return dict(t=t, num=num, name=name, date=date, user=user, lines=lines,
                sale=sale or date[:10], flags=flags, options=options, intl=intl,
                car=car, comment=comment, payinfo=payinfo, delay=delay,
                master=master, regflags=regflags, ksef=ksef, desc=list(desc),
                purpose=purpose)

def bucket_of(r):
    """The register fields (net, VAT) of a rate; None for a rate not listed."""
    return {23: ("Value22", "Tax22"), 8: ("Value7", "Tax7"), 5: ("Value3", "Tax3"),
            0: ("Value0", None), -1: ("ValueFree", None), -2: ("NPO", None)}.get(r)

def totals(d, cmr_packing=True):
    """Register values (PLN) and the expected FA(3) totals of a document."""
    t = d["t"]
    gross = bool(d["options"] & 64)
    foreign = d["intl"] not in ("", "PLN") or (d["intl"] == "" and d["options"] & 16384)
    exp, wdt = t in (2, 3), t in (22, 23)
    reg = dict(Value22=Decimal(0), Tax22=Decimal(0), Value7=Decimal(0), Tax7=Decimal(0),
               Value3=Decimal(0), Tax3=Decimal(0), Value0=Decimal(0),
               ValueFree=Decimal(0), NPO=Decimal(0))
    cur = dict(reg)   # same buckets in the document currency
    p15 = Decimal(0)
    pack = Decimal(0)
    sums = {}         # rate -> [net, gross] of the lines in the document currency
    for l in d["lines"]:
        price = rnd(8, Decimal(str(l["price"])))
        qty = rnd(6, Decimal(str(l["qty"])))
        if cmr_packing and l["g"] == "O":
            pack += rnd(2, Decimal(str(l["price"])) * rnd(3, Decimal(str(l["qty"]))))
            continue
        r = int(l["vat"])
        # A line value is the unrounded price times the quantity, rounded once.
        if gross:
            line_gross = rnd(2, price * qty)
            net = net_from_gross(2, r, line_gross)
        else:
            line_gross = Decimal(0)
            netprice = price if r <= 0 else price * 100 / (r + 100)
            net = rnd(2, netprice * qty)
        vat = vat_from_net(r, net)
        rate = Decimal(str(l["cost"])) if foreign else Decimal(1)
        net_pln = rnd(2, net * rate)
        vat_pln = vat_from_net(r, net_pln)
        for k, v, x in ((bucket_of(r), net_pln, vat_pln),):
            if k:
                reg[k[0]] += v
                if k[1]: reg[k[1]] += x
        acc = sums.setdefault(r, [Decimal(0), Decimal(0)])
        acc[0] += net
        acc[1] += line_gross
    # The totals in the document's currency: per rate, rounded once.
    for r, (net_sum, gross_sum) in sums.items():
        if gross:
            vat = Decimal(0) if r <= 0 else rnd(2, gross_sum * r / (100 + r))
            net = rnd(2, gross_sum - vat)
        else:
            net = rnd(2, net_sum)
            vat = vat_from_net(r, net)
        k = bucket_of(r)
        if k:
            cur[k[0]] += net
            if k[1]: cur[k[1]] += vat
        p15 += net + vat
    reg["Value"] = sum(reg[k] for k in reg)
    cur["Value"] = rnd(2, p15)
    return reg, cur, pack, foreign

def fa_totals(d, cur, reg, foreign, buyer_eu_vat_payer):
    t = d["t"]
    out = {}
    names = [("P_13_1", "Value22"), ("P_14_1", "Tax22"), ("P_13_2", "Value7"),
             ("P_14_2", "Tax7"), ("P_13_3", "Value3"), ("P_14_3", "Tax3")]
    for el, f in names:
        if cur[f] != 0: out[el] = cur[f]
    if cur["Value0"] != 0:
        out["P_13_6_3" if t in (2, 3) else "P_13_6_2" if t in (22, 23) else "P_13_6_1"] = cur["Value0"]
    if cur["ValueFree"] != 0: out["P_13_7"] = cur["ValueFree"]
    # np II only for a VAT payer of another EU state, np I for every other buyer.
    if cur["NPO"] != 0: out["P_13_9" if buyer_eu_vat_payer else "P_13_8"] = cur["NPO"]
    if foreign:
        for el, f in (("P_14_1W", "Tax22"), ("P_14_2W", "Tax7"), ("P_14_3W", "Tax3")):
            if cur[f] != 0 and reg[f] != 0: out[el] = reg[f]
    out["P_15"] = cur["Value"]
    return out

def num(x):
    return float(x)

def build_site(docs, customers, users=None, purchases=(), cmr_packing=True,
               desc_table=True, cars=True, barcodes=True, users_layout=False):
    wi, wt, reg, dsc = [], [], [], []
    used_goods = set()
    expected = []
    for d in docs:
        key = [d["t"], 2026, 1, d["num"]]
        m = d["master"] or (0, 0, 0, 0)
        wi.append(key + [d["name"], d["date"], d["sale"], d["flags"], d["options"],
                         d["intl"], d["user"], d["car"], d["comment"], d["payinfo"],
                         d["delay"]] + list(m))
        for n, l in enumerate(d["lines"], 1):
            used_goods.add((l["g"], l["i"]))
            wt.append(key + [l["pos"] or n, l["g"], l["i"], 0, l["price"], l["qty"],
                             l["vat"], l["cost"]])
        r, cur, pack, foreign = totals(d, cmr_packing)
        c = customers[d["user"]]
        reg.append(key + [d["name"], d["date"][:10], c["nip"], d["ksef"],
                          num(r["Value"]), num(r["Value22"]), num(r["Tax22"]),
                          num(r["Value7"]), num(r["Tax7"]), num(r["Value3"]),
                          num(r["Tax3"]), num(r["Value0"]), num(r["ValueFree"]),
                          num(r["NPO"]), d["regflags"]])
        for pos, text in d["desc"]:
            dsc.append(key + [pos, text])
        eu_payer = c["nip"][:2] in EU_VAT_CODES and c["nip"][:2] != "PL"
        expected.append((d, fa_totals(d, cur, r, foreign, eu_payer), pack))
    for p in purchases:
        reg.append([128, 2026, 0, p["num"], p["doc"], p["date"], p["nip"], "",
                    p["value"], p["v22"], p["t22"], p.get("v7", 0), p.get("t7", 0),
                    0, 0, 0, 0, 0, 0])
    goods = [[g, i, *GOODS[(g, i)][:4], GOODS[(g, i)][4]] for (g, i) in sorted(used_goods)]
    series = [[g, i, 1, 1, 100.0, 0.0] for (g, i) in sorted(used_goods)]
    tables = {
        "DATA/2026WI": dict(fields=WI_FIELDS, records=wi),
        "DATA/2026WT": dict(fields=WT_FIELDS, records=wt),
        "DATA/2026W": dict(fields=W_FIELDS, records=goods),
        "DATA/2026WS": dict(fields=WS_FIELDS, records=series),
        "DATA/2026REG": dict(fields=REG_FIELDS, records=reg),
    }
    if users_layout:
        tables["DATA/2026UR"] = dict(fields=UR_USERS_FIELDS, records=[
            ur_row(n, c, True, c.get("payer_number", 0)) for n, c in sorted(customers.items())])
        tables["DATA/Users"] = dict(fields=USERS_FIELDS, records=users)
    else:
        tables["DATA/2026UR"] = dict(fields=UR_REG_FIELDS, records=[
            ur_row(n, c) for n, c in sorted(customers.items())])
    if desc_table:
        tables["TABLES/26desc"] = dict(fields=DESC_FIELDS, records=dsc)
    if cars:
        tables["TABLES/UsrCars"] = dict(fields=CARS_FIELDS, records=CARS)
    if barcodes:
        tables["TABLES/Barcodes"] = dict(fields=BARCODE_FIELDS, records=[
            [g, i, b] for (g, i), b in sorted(BARCODES.items()) if (g, i) in used_goods])
    for k, v in tables.items():
        v["primary"] = KEYS[k.split("/")[1].replace("2026", "").replace("26", "", 1)
                               if k.endswith("desc") else k.split("/")[1].replace("2026", "")]
    return {"codepage": 1250, "tables": tables}, expected

KSEF_MASTER = "5265877635-20260402-9F3C21A7B04E-62"

def mix_docs():
    L = line
    D = doc
    return [
        D(0, 118, "FV 118/2026", "2026-04-02 11:15:00", 3,
          [L("K", 901, 98.40, 40), L("K", 902, 61.50, 12), L("K", 903, 24.60, 10)],
          ksef=KSEF_MASTER, purpose="sent earlier; corrected by KOR 7/2026 (not pending: outside window, KSeF number)"),
        D(0, 120, "FV 120/2026", "2026-04-06 08:12:31", 3,
          [L("A", 101, 369.00, 2), L("A", 103, 49.20, 5), L("B", 201, 6.15, 100)],
          purpose="domestic 23 % only, GTU_06 on a tool, transfer 14 days, barcodes"),
        D(0, 121, "FV 121/2026", "2026-04-06 10:40:02", 2,
          [L("C", 301, 3.15, 50), L("C", 302, 4.20, 25), L("D", 401, 2.16, 120),
           L("A", 103, 49.20, 1)],
          payinfo=0, delay=0, purpose="23/8/5 % on one invoice, cash paid at sale"),
        D(0, 122, "FV 122/2026", "2026-04-06 13:05:44", 11,
          [L("G", 702, 1500.00, 1), L("G", 701, 450.00, 3), L("B", 202, 3.69, 250)],
          delay=7, purpose="zero-rated line (0 KR), exempt line (zw) and 23 %"),
        D(0, 123, "FV 123/2026", "2026-04-07 09:00:10", 1,
          [L("H", 801, 4299.99, 1), L("D", 401, 2.49, 24)],
          options=64, payinfo=1, delay=0,
          purpose="gross pricing (Options 64), payment card at sale, P_12_Zal_15 and GTU_06 on the laptop"),
        D(0, 124, "FV 124/2026", "2026-04-07 12:31:00", 2,
          [L("D", 402, 1850.00, 1), L("C", 303, 12.99, 7), L("A", 103, 59.90, 3)],
          options=64, payinfo=1, delay=7,
          purpose="gross pricing with 8/5/23 %, card with 7 days term (due date and accounts), empty unit"),
        D(22, 5, "WDT 5/2026", "2026-04-07 14:45:00", 5,
          [L("A", 101, 72.50, 20, vat=0, cost=4.2587),
           L("A", 102, 95.35, 10, vat=0, cost=4.2587)],
          intl="EUR", delay=30,
          purpose="intra-community supply in EUR (rate 4.2587 in Cost), buyer DE VAT number, Options 3, 0 WDT, 4-digit net price"),
        D(2, 3, "EXP 3/2026", "2026-04-08 07:55:20", 6,
          [L("H", 802, 612.40, 5, vat=0, cost=4.0125),
           L("M", 111, 850.00, 1, cost=4.0125)],
          intl="USD", delay=21,
          purpose="export in USD to a Swiss buyer (CH identifier), 0 EX and np I lines"),
        D(1, 7, "KOR 7/2026", "2026-04-08 09:20:00", 3,
          [L("K", 901, 98.40, -4), L("K", 902, 61.50, -2)],
          comment="Zwrot uszkodzonych płytek i kleju", master=(0, 2026, 1, 118),
          purpose="correction of FV 118/2026 (sent, KSeF number in register), negative amounts, reason in Comment"),
        D(0, 125, "FV 125/2026", "2026-04-08 11:11:11", 3,
          [L("K", 902, 61.50, 40), L("O", 1, 45.00, 2.5), L("O", 2, 12.30, 10)],
          payinfo=4, delay=3,
          purpose="packaging lines (group O) to Rozliczenie with CmrPacking on, cash on delivery"),
        D(0, 126, "FV 126/2026", "2026-04-08 15:02:40", 4,
          [L("A", 102, 522.75, 3), L("B", 201, 6.15, 50)],
          desc=[(-1, "WZ 311/2026"), (0, "Dostawa na budowę przy ul. Morskiej 4"),
                (2, "Kabel cięty na odcinki po 10 m")],
          comment="Zamówienie nr ZK/44/2026",
          purpose="descriptions: -1 (WZ), 0 (Dodatkowy opis) and line 2; Opis na fakturze from Comment"),
        D(0, 127, "FV 127/2026", "2026-04-09 06:30:00", 10,
          [L("F", 601, 6.89, 420.5)],
          car=1, payinfo=2, delay=30,
          purpose="car registration (CarId 1, UsrCars row WR 4521K), GTU_02 fuel, fractional quantity"),
        D(0, 128, "FV 128/2026", "2026-04-09 08:45:00", 11,
          [L("B", 202, 3.69, 500), L("A", 101, 369.00, 1)],
          payinfo=3, delay=21, purpose="PayInfo 3 (inna forma płatności), 21 days"),
        D(0, 129, "FV 129/2026", "2026-04-09 10:10:10", 4,
          [L("K", 901, 98.40, 25)],
          payinfo=5, delay=0, purpose="PayInfo 5 (przedpłata) with no delay, type 0: not paid at sale (due on the issue date), PlatnoscInna \"przedpłata\""),
        D(0, 130, "FV 130/2026", "2026-04-09 12:00:00", 7,
          [L("E", 501, 47.25, 30), L("C", 303, 12.60, 10), L("D", 401, 2.16, 60)],
          delay=14,
          purpose="local-government unit: ExtOpt 2 (JST), Payer ';' text (gmina), Podmiot3 Rola 8"),
        D(0, 131, "FV 131/2026", "2026-04-09 13:30:00", 8,
          [L("D", 402, 3240.00, 1), L("D", 401, 2.16, 200)],
          delay=14, purpose="Payer ';' text (central office pays for a branch), Podmiot3 Rola 2"),
        D(0, 132, "FV 132/2026", "2026-04-09 16:20:05", 9,
          [L("A", 102, 522.75, 4), L("C", 302, 4.20, 100)],
          delay=14, purpose="VAT-group buyer (ExtOpt 32: GV 1) and related party (ExtOpt 16: TP 1)"),
        D(0, 133, "FV 133/2026", "2026-04-10 07:45:00", 1,
          [L("H", 801, 5289.00, 4), L("H", 802, 3075.00, 6)],
          regflags=128, delay=14,
          purpose="split payment (register Flags 128: P_18A 1), large amount, P_12_Zal_15, GTU_06"),
        D(0, 134, "FV 134/2026", "2026-04-10 09:05:00", 2,
          [L("C", 301, 3.15, 10), L("D", 402, 540.00, 1), L("A", 101, 369.00, 1)],
          sale="2026-04-08", payinfo=0, delay=0,
          purpose="sale date before issue date (P_6), empty unit (szt.), barcodes"),
        D(0, 135, "FV 135/2026", "2026-04-10 10:30:00", 12,
          [L("B", 201, 6.15, 30)],
          flags=4, payinfo=2, delay=14, comment="Płatne przelewem przed wydaniem towaru",
          purpose="Flags bit 4: paid at sale despite transfer and 14 days; Opis na fakturze"),
        D(0, 136, "FV 136/2026", "2026-04-10 11:45:00", 3,
          [L("M", 111, 2400.00, 1), L("A", 103, 49.20, 2)],
          delay=14, purpose="not-subject line (np II) next to 23 %"),
        # non-pending records for the filters
        D(4, 41, "WZ 41/2026", "2026-04-08 10:00:00", 3, [L("K", 901, 98.40, 5)],
          purpose="type 4 (not eligible)"),
        D(0, 137, "FV 137/2026", "2026-04-11 08:00:00", 4, [L("A", 103, 49.20, 1)],
          purpose="dated the day after the working date"),
        D(0, 138, "FV 138/2026", "2026-04-09 09:00:00", 4, [L("A", 103, 49.20, 1)],
          flags=1, purpose="Flags bit 0 (cancelled)"),
        D(0, 119, "FV 119/2026", "2026-04-07 08:00:00", 2, [L("C", 302, 4.20, 10)],
          ksef="-", purpose="register KSeF '-' (exported, waiting for its number)"),
    ]

USERS_CUSTOMERS = {
    21: dict(name="Apteka Pod Orłem Oddział Śródmieście", city="Warszawa",
             addr="ul. Marszałkowska 84", zip="00-514", nip="5252248481",
             payer_number=501, nip3="5252248481-00012"),
    22: dict(name="Piekarnia Złoty Kłos Ewa Nowak", city="Toruń",
             addr="ul. Szeroka 3", zip="87-100", nip="8792600836", payer_number=502),
    23: dict(name="Urząd Gminy Zielonka", city="Zielonka",
             addr="ul. Kościuszki 2", zip="05-220", nip="1251375583", payer_number=503),
    24: dict(name="Filia Magazyn Sochaczew", city="Sochaczew",
             addr="ul. Fabryczna 1", zip="96-500", nip="8370002248", payer_number=504),
}
USERS = [
    [501, "Apteka Pod Orłem Sp. z o.o.", "Warszawa", 0, "84", "ul. Marszałkowska",
     "00-514", "5252248481", 0, "Dostawy wyłącznie w godzinach 7–10"],
    [502, "Piekarnia Złoty Kłos Ewa Nowak", "Toruń", 0, "3", "ul. Szeroka",
     "87-100", "8792600836", 0, ""],
    [503, "Urząd Gminy Zielonka", "Zielonka", 0, "2", "ul. Kościuszki",
     "05-220", "1251375583", 1, "Faktury prosimy kierować do referatu finansowego"],
    [504, "Centrala Logistyki Północ S.A.", "Gdynia", 0, "15", "ul. Portowa",
     "81-340", "5862296745", 4, ""],
]

def users_docs():
    L, D = line, doc
    return [
        D(0, 201, "FV 201/2026", "2026-04-07 09:00:00", 21,
          [L("C", 303, 12.60, 20), L("D", 401, 2.16, 48)],
          purpose="customer = payer, Nip3IdWew with branch: Podmiot3 IDWew; payer Comments"),
        D(0, 202, "FV 202/2026", "2026-04-08 10:30:00", 22,
          [L("C", 301, 3.15, 200), L("C", 302, 4.20, 50)],
          payinfo=0, delay=0, purpose="customer = payer, no Nip3IdWew: no Podmiot3, cash"),
        D(0, 203, "FV 203/2026", "2026-04-09 11:15:00", 23,
          [L("E", 501, 47.25, 12), L("G", 701, 450.00, 1)],
          delay=14, purpose="payer ExtOpt 1 (JST in the Users layout), exempt line"),
        D(0, 204, "FV 204/2026", "2026-04-10 08:20:00", 24,
          [L("A", 101, 369.00, 3)],
          delay=30, purpose="payer differs from customer (related party ExtOpt 4): Podmiot3 Rola 2, TP 1"),
        D(0, 205, "FV 205/2026", "2026-04-10 12:40:00", 21,
          [L("B", 201, 6.15, 20)], comment="Odbiór osobisty",
          purpose="second document of the same customer, Opis na fakturze"),
    ]

DEMO_PURCHASES = [
    dict(num=1, doc="FS/2026/04/0187", date="2026-04-07", nip="7792433421",
         value=3450.30, v22=2805.12, t22=645.18),
    dict(num=2, doc="12/04/2026/K", date="2026-04-08", nip="8942893462",
         value=1113.15, v22=905.00, t22=208.15),
]

def demo_docs():
    L, D = line, doc
    ds = mix_docs()
    keep = {120, 121, 122, 123, 126, 127, 130, 133, 134, 136}
    out = [d for d in ds if d["t"] == 0 and d["num"] in keep]
    out += [d for d in ds if d["t"] == 22]
    out += [d for d in ds if d["t"] == 1 or d["num"] == 118]
    return out

def fmt(x):
    s = format(Decimal(x).normalize(), "f")
    return s

def write(path, site):
    d = lambda v: json.dumps(v, ensure_ascii=False)
    out = ['{"codepage": %d, "tables": {' % site["codepage"]]
    names = list(site["tables"])
    for n, name in enumerate(names):
        t = site["tables"][name]
        out.append(' %s: {"primary": %d,' % (d(name), t["primary"]))
        out.append('  "fields": %s,' % d(t["fields"]))
        out.append('  "records": [')
        out.append(",\n".join("   " + d(r) for r in t["records"]))
        out.append("  ]}" + ("," if n + 1 < len(names) else ""))
    out.append("}}")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")

def report(title, expected):
    lines = [f"### {title}", "", "| Key | Name | Tests | Expected totals |", "|---|---|---|---|"]
    for d, tot, pack in expected:
        key = f"{d['t']}-2026-1-{d['num']}"
        s = ", ".join(f"{k} {fmt(v)}" for k, v in tot.items())
        if pack: s += f"; SumaObciazen {fmt(pack)}"
        lines.append(f"| {key} | {d['name']} | {d['purpose']} | {s} |")
    return "\n".join(lines) + "\n"

if __name__ == "__main__":
    site, exp = build_site(mix_docs(), CUSTOMERS)
    write(os.path.join(HERE, "stelmar-mix.json"), site)
    usite, uexp = build_site(users_docs(), USERS_CUSTOMERS, users=USERS,
                             users_layout=True, cars=False)
    write(os.path.join(HERE, "stelmar-users.json"), usite)
    dsite, dexp = build_site(demo_docs(), CUSTOMERS, purchases=DEMO_PURCHASES)
    write(os.path.join(ROOT, "demo", "site.json"), dsite)
    with open(os.path.join(HERE, "expected-totals.md"), "w", encoding="utf-8") as f:  # paste into README.md
        f.write(report("stelmar-mix.json (CmrPacking on)", exp) + "\n" +
                report("stelmar-users.json", uexp) + "\n" +
                report("demo/site.json (CmrPacking on)", dexp))
