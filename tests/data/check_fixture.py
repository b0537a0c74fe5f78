#!/usr/bin/env python3
"""Checks a Stelmar fixture site for internal consistency:
  python3 tests/data/check_fixture.py SITE.json [...]
- every record has one value per field, of the field's kind, in the code page, and primary keys do not repeat;
- every line belongs to an existing document and names existing goods;
- every document has its register entry and the register totals equal the
  sums of its lines (net per line from the unrounded price, VAT per line
  rounded to cents, foreign amounts converted at the line's rate in "Cost",
  packaging lines of group "O" left out);
- corrections point at an existing document whose register holds a KSeF number;
- every KSeF number in the register carries a valid CRC-8 check;
- cars and payers named by documents and customers exist;
- every ten-digit Polish NIP carries a valid check digit.
Exits 1 and lists the faults when anything is wrong."""
import json, re, sys
from decimal import Decimal, ROUND_HALF_UP

WEIGHTS = (6, 5, 7, 2, 3, 4, 5, 6, 7)

def r(n, x):
    return Decimal(x).quantize(Decimal(1).scaleb(-n), rounding=ROUND_HALF_UP)

def nip_ok(nip):
    s = sum(int(a) * w for a, w in zip(nip[:9], WEIGHTS)) % 11
    return s != 10 and s == int(nip[9])

def ksef_ok(number):
    """Shape and CRC-8 check (polynomial 0x07, initial value 0) of a KSeF number."""
    if not re.match(r"^\d{10}-\d{8}-[0-9A-F]{12}-[0-9A-F]{2}$", number):
        return False
    crc = 0
    for b in number[:32].encode():
        crc ^= b
        for _ in range(8):
            crc = ((crc << 1) ^ 0x07) & 0xFF if crc & 0x80 else (crc << 1) & 0xFF
    return number[33:] == f"{crc:02X}"

def encodable(text, codepage):
    try:
        text.encode(f"cp{codepage}")
        return True
    except (UnicodeEncodeError, LookupError):
        return False

def rows(site, suffix):
    for name, t in site["tables"].items():
        if name.split("/")[-1].lower() == suffix.lower():
            names = [f[0] for f in t["fields"]]
            return [dict(zip(names, rec)) for rec in t["records"]]
    return []

KIND = {"A": str, "M": str, "S": int, "I": int, "+": int, "N": (int, float),
        "$": (int, float), "D": str, "T": str, "@": str, "L": bool}
PATTERN = {"D": r"^\d{4}-\d{2}-\d{2}$", "T": r"^\d{2}:\d{2}:\d{2}$",
           "@": r"^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}$"}

def check(path):
    faults = []
    site = json.load(open(path, encoding="utf-8"))
    for name, t in site["tables"].items():
        seen = set()
        k = t.get("primary", 0)
        for rec in t["records"]:
            if len(rec) != len(t["fields"]):
                faults.append(f"{name}: record {rec[:4]} has {len(rec)} values for {len(t['fields'])} fields")
                continue
            for (fname, ftype), v in zip(t["fields"], rec):
                if v is None:
                    continue
                kind = KIND[ftype[0]]
                if not isinstance(v, kind) or (ftype[0] != "L" and isinstance(v, bool)):
                    faults.append(f"{name}.{fname}: {v!r} does not suit {ftype}")
                elif ftype[0] in PATTERN and not re.match(PATTERN[ftype[0]], v):
                    faults.append(f"{name}.{fname}: {v!r} is not a {ftype} text")
                elif isinstance(v, str) and not encodable(v, t.get("codepage", site.get("codepage", 1250))):
                    faults.append(f"{name}.{fname}: {v!r} has characters outside code page")
                elif ftype[0] == "A" and len(v) > int(ftype[1:]):
                    faults.append(f"{name}.{fname}: {v!r} longer than {ftype}")
            if k:
                key = tuple(rec[:k])
                if key in seen:
                    faults.append(f"{name}: key {key} repeats")
                seen.add(key)

    docs = {(d["Type"], d["Year"], d["MagId"], d["Number"]): d for d in rows(site, "2026WI")}
    goods = {(g["Group"], g["Index"]): g for g in rows(site, "2026W")}
    reg = {(e["Class"], e["Year"], e["MagId"], e["Number"]): e for e in rows(site, "2026REG")}
    lines = {}
    for l in rows(site, "2026WT"):
        key = (l["Type"], l["Year"], l["MagId"], l["Number"])
        if key not in docs:
            faults.append(f"line {key}/{l['InvoPos']} has no document")
        if (l["Group"], l["Index"]) not in goods:
            faults.append(f"line {key}/{l['InvoPos']} names missing goods {l['Group']}/{l['Index']}")
        lines.setdefault(key, []).append(l)

    for key, d in docs.items():
        e = reg.get(key)
        if e is None:
            faults.append(f"document {key} has no register entry")
            continue
        if e["Document"] != d["Name"]:
            faults.append(f"register {key}: Document {e['Document']!r} is not {d['Name']!r}")
        foreign = d["IntlId"] not in ("", "PLN")
        gross = d["Options"] & 64
        sums = {f: Decimal(0) for f in ("Value22", "Tax22", "Value7", "Tax7", "Value3",
                                        "Tax3", "Value0", "ValueFree", "NPO")}
        for l in lines.get(key, []):
            if l["Group"] == "O":
                continue
            rate = int(l["VAT"])
            price = r(8, Decimal(str(l["Price"])))
            qty = r(6, Decimal(str(l["Quantity"])))
            # The unrounded price times the quantity, rounded once.
            if gross:
                g = r(2, price * qty)
                net = g if rate <= 0 else r(2, g * 100 / (rate + 100))
            else:
                np_ = price if rate <= 0 else price * 100 / (rate + 100)
                net = r(2, np_ * qty)
            if foreign:
                if not l["Cost"]:
                    faults.append(f"line {key}/{l['InvoPos']}: foreign document without rate in Cost")
                net = r(2, net * Decimal(str(l["Cost"])))
            vat = Decimal(0) if rate <= 0 else r(2, Decimal(rate) / 100 * net)
            bucket = {23: ("Value22", "Tax22"), 8: ("Value7", "Tax7"), 5: ("Value3", "Tax3"),
                      0: ("Value0", None), -1: ("ValueFree", None), -2: ("NPO", None)}.get(rate)
            if bucket is None:
                faults.append(f"line {key}/{l['InvoPos']}: rate {l['VAT']} has no register field")
                continue
            sums[bucket[0]] += net
            if bucket[1]:
                sums[bucket[1]] += vat
        sums["Value"] = sum(sums.values())
        for f, v in sums.items():
            if r(2, Decimal(str(e[f]))) != v:
                faults.append(f"register {key} ({d['Name']}): {f} {e[f]} but the lines give {v}")
        if d["Type"] % 2 == 1:
            mk = (d["MasterType"], d["MasterYear"], d["MasterMagId"], d["MasterNumber"])
            if mk not in docs:
                faults.append(f"correction {key} points at missing document {mk}")
            elif not re.match(r"^\d{10}-\d{8}-[0-9A-F]{12}-[0-9A-F]{2}$", reg.get(mk, {}).get("KSeF", "")):
                faults.append(f"correction {key}: corrected document {mk} has no KSeF number")
    for key, e in reg.items():
        mark = e.get("KSeF", "")
        if mark not in ("", "-") and not ksef_ok(mark):
            faults.append(f"register {key}: KSeF {mark} is not a KSeF number with a valid check")

    cars = {(c["UserId"], c["CarId"]) for c in rows(site, "UsrCars")}
    for key, d in docs.items():
        if d["CarId"] > 0 and cars and (d["User"], d["CarId"]) not in cars:
            faults.append(f"document {key}: car {d['User']}/{d['CarId']} not in UsrCars")
    ur = {c["Number"]: c for c in rows(site, "2026UR")}
    for key, d in docs.items():
        if d["User"] not in ur:
            faults.append(f"document {key}: customer {d['User']} not in the customer register")
    users = {u["Number"] for u in rows(site, "Users")}
    for c in ur.values():
        if users and c.get("PayerNumber") not in users:
            faults.append(f"customer {c['Number']}: payer {c.get('PayerNumber')} not in Users")

    def nips():
        for tname, field in (("2026UR", "NIP"), ("2026UR", "Permission"), ("2026UR", "Nip3IdWew"),
                             ("Users", "NIP"), ("2026REG", "NIP")):
            for rec in rows(site, tname):
                yield tname, field, rec.get(field) or ""
        for rec in rows(site, "2026UR"):
            p = rec.get("Payer") or ""
            for m in re.findall(r"\b\d{10}\b", p):
                yield "2026UR", "Payer", m
    for tname, field, v in nips():
        m = re.match(r"^(\d{10})(-\d{5})?$", v)
        if m and not nip_ok(m.group(1)):
            faults.append(f"{tname}.{field}: NIP {v} has a wrong check digit")
    return faults

if __name__ == "__main__":
    bad = 0
    for p in sys.argv[1:]:
        f = check(p)
        for x in f:
            print(f"{p}: {x}")
        print(f"{p}: {'OK' if not f else str(len(f)) + ' faults'}")
        bad |= bool(f)
    sys.exit(1 if bad else 0)
