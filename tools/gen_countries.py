#!/usr/bin/env python3
"""Prints the skeleton of support/Countries.def from the FA(3) country dictionary.

Reads TKodKraju of KodyKrajow_v10-0E.xsd (every code with its Polish name in
upper case) and TKodyKrajowUE of schemat_FA3_v1-0E.xsd (the EU VAT codes), and
prints one row a code in the dictionary's order: the code, its EU VAT code
(the same code, or the EU code of the same name, as EL is Greece's; "" outside
the EU) and the name with each word capitalised. The English names and the
aliases are left empty. The committed table is written by hand from this
output; printing it again against a new schema shows the codes and names that
changed.

Usage: tools/gen_countries.py [SCHEMA_DIR]   (default: third_party/fa3-schema)
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

XS = '{http://www.w3.org/2001/XMLSchema}'
COUNTRIES = 'KodyKrajow_v10-0E.xsd'
MAIN = 'schemat_FA3_v1-0E.xsd'
# Words a Polish name writes in lower case.
LOWER_WORDS = {'i'}


def enumeration(path, type_name):
    """(code, documentation) pairs of a named simple type, in schema order."""
    root = ET.parse(path).getroot()
    for simple in root.iter(XS + 'simpleType'):
        if simple.get('name') == type_name:
            return [(e.get('value'), (e.findtext('.//' + XS + 'documentation') or '').strip())
                    for e in simple.iter(XS + 'enumeration')]
    sys.exit('%s: no simple type %s' % (path, type_name))


def capitalised(name):
    """AFGANISTAN I BARBUDA -> Afganistan i Barbuda (hyphens and dots start words)."""
    def word(match):
        w = match.group(0).lower()
        return w if w in LOWER_WORDS else w[:1].upper() + w[1:]
    return re.sub(r'[^\W\d_]+', word, name)


def main():
    schema_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'third_party', 'fa3-schema')
    countries = enumeration(os.path.join(schema_dir, COUNTRIES), 'TKodKraju')
    eu = enumeration(os.path.join(schema_dir, MAIN), 'TKodyKrajowUE')
    eu_codes = {code for code, _ in eu}
    eu_by_name = {name: code for code, name in eu}
    for code, name in countries:
        vat = code if code in eu_codes else eu_by_name.get(name, '')
        print('BRENVIK_COUNTRY("%s", "%s", "%s", "", "")' % (code, vat, capitalised(name)))


if __name__ == '__main__':
    main()
