#!/usr/bin/env python3
"""Writes fa3/Fa3Classes.def, the declarative table of the FA(3) binding.

Reads the official FA(3) schema (schemat_FA3_v1-0E.xsd and the schemas it
imports) and lists, per node class and in schema order, every simple member,
complex child, repeated child and attribute. Class names follow the element
paths (anonymous types) or the schema's named types (TAdres -> TXMLTAdres);
an element that holds nothing but one repeated child is an element-collection.
Simple members are text unless KINDS below says otherwise.

Usage: tools/gen_fa3_classes.py SCHEMA_DIR [OUTPUT]   (default: standard output)
"""
import os
import sys
import xml.etree.ElementTree as ET

XS = '{http://www.w3.org/2001/XMLSchema}'
MAIN = 'schemat_FA3_v1-0E.xsd'
IMPORTED = ['StrukturyDanych_v10-0E.xsd', 'ElementarneTypyDanych_v10-0E.xsd',
            'KodyKrajow_v10-0E.xsd']

# Value kinds of the simple members that are not text.
KINDS = {
    'TXMLTNaglowek': {'WariantFormularza': 'FLAG'},
    'TXMLFaktura_Podmiot1': {'StatusInfoPodatnika': 'INT'},
    'TXMLFaktura_Podmiot2': {'JST': 'INT', 'GV': 'INT'},
    'TXMLTPodmiot2': {'BrakID': 'FLAG'},
    'TXMLTPodmiot3': {'BrakID': 'FLAG'},
    'TXMLFaktura_Podmiot3': {'Rola': 'INT', 'RolaInna': 'FLAG', 'Udzial': 'DECIMAL'},
    'TXMLFaktura_PodmiotUpowazniony': {'RolaPU': 'INT'},
    'TXMLFaktura_Fa': dict(
        [('P_1', 'DATE'), ('P_6', 'DATE'), ('TypKorekty', 'INT'), ('FP', 'FLAG'),
         ('TP', 'FLAG'), ('ZwrotAkcyzy', 'FLAG')] +
        [(n, 'DECIMAL') for n in (
            'P_13_1 P_14_1 P_14_1W P_13_2 P_14_2 P_14_2W P_13_3 P_14_3 P_14_3W '
            'P_13_4 P_14_4 P_14_4W P_13_5 P_14_5 P_13_6_1 P_13_6_2 P_13_6_3 P_13_7 '
            'P_13_8 P_13_9 P_13_10 P_13_11 P_15 KursWalutyZ P_15ZK KursWalutyZK').split()]),
    'TXMLFaktura_Fa_OkresFa': {'P_6_Od': 'DATE', 'P_6_Do': 'DATE'},
    'TXMLFaktura_Fa_Adnotacje': {n: 'FLAG' for n in ('P_16', 'P_17', 'P_18', 'P_18A', 'P_23')},
    'TXMLFaktura_Fa_Adnotacje_Zwolnienie': {'P_19': 'FLAG', 'P_19N': 'FLAG'},
    'TXMLFaktura_Fa_Adnotacje_NoweSrodkiTransportu_NowySrodekTransportu':
        {'P_22A': 'DATE', 'P_NrWierszaNST': 'INT'},
    'TXMLFaktura_Fa_Adnotacje_PMarzy': {n: 'FLAG' for n in (
        'P_PMarzy', 'P_PMarzy_2', 'P_PMarzy_3_1', 'P_PMarzy_3_2', 'P_PMarzy_3_3', 'P_PMarzyN')},
    'TXMLFaktura_Fa_DaneFaKorygowanej':
        {'DataWystFaKorygowanej': 'DATE', 'NrKSeF': 'FLAG', 'NrKSeFN': 'FLAG'},
    'TXMLFaktura_Fa_ZaliczkaCzesciowa':
        {'P_6Z': 'DATE', 'P_15Z': 'DECIMAL', 'KursWalutyZW': 'DECIMAL'},
    'TXMLTKluczWartosc': {'NrWiersza': 'INT'},
    'TXMLFaktura_Fa_FakturaZaliczkowa': {'NrKSeFZN': 'FLAG'},
    'TXMLFaktura_Fa_FaWiersz': dict(
        [('NrWierszaFa', 'INT'), ('P_6A', 'DATE'), ('P_12_Zal_15', 'FLAG'),
         ('StanPrzed', 'FLAG')] +
        [(n, 'DECIMAL') for n in (
            'P_8B P_9A P_9B P_10 P_11 P_11A P_11Vat P_12_XII KwotaAkcyzy KursWaluty').split()]),
    'TXMLFaktura_Fa_Rozliczenie': {n: 'DECIMAL' for n in (
        'SumaObciazen', 'SumaOdliczen', 'DoZaplaty', 'DoRozliczenia')},
    'TXMLFaktura_Fa_Rozliczenie_Obciazenia': {'Kwota': 'DECIMAL'},
    'TXMLFaktura_Fa_Rozliczenie_Odliczenia': {'Kwota': 'DECIMAL'},
    'TXMLFaktura_Fa_Platnosc': {'Zaplacono': 'FLAG', 'ZnacznikZaplatyCzesciowej': 'FLAG',
                                'PlatnoscInna': 'FLAG', 'DataZaplaty': 'DATE',
                                'FormaPlatnosci': 'INT'},
    'TXMLFaktura_Fa_Platnosc_ZaplataCzesciowa': {
        'KwotaZaplatyCzesciowej': 'DECIMAL', 'DataZaplatyCzesciowej': 'DATE',
        'FormaPlatnosci': 'INT', 'PlatnoscInna': 'FLAG'},
    'TXMLFaktura_Fa_Platnosc_TerminPlatnosci': {'Termin': 'DATE'},
    'TXMLFaktura_Fa_Platnosc_TerminPlatnosci_TerminOpis': {'Ilosc': 'INT'},
    'TXMLTRachunekBankowy': {'RachunekWlasnyBanku': 'INT'},
    'TXMLFaktura_Fa_WarunkiTransakcji': {'KursUmowny': 'DECIMAL', 'PodmiotPosredniczacy': 'FLAG'},
    'TXMLFaktura_Fa_WarunkiTransakcji_Umowy': {'DataUmowy': 'DATE'},
    'TXMLFaktura_Fa_WarunkiTransakcji_Zamowienia': {'DataZamowienia': 'DATE'},
    # The two transport times are xsd:dateTime in the schema: a date alone would
    # not validate, so they carry date and time.
    'TXMLFaktura_Fa_WarunkiTransakcji_Transport': {
        'RodzajTransportu': 'INT', 'OpisLadunku': 'INT', 'TransportInny': 'FLAG',
        'LadunekInny': 'FLAG', 'DataGodzRozpTransportu': 'DATETIME',
        'DataGodzZakTransportu': 'DATETIME'},
    'TXMLFaktura_Fa_Zamowienie': {'WartoscZamowienia': 'DECIMAL'},
    'TXMLFaktura_Fa_Zamowienie_ZamowienieWiersz': dict(
        [('NrWierszaZam', 'INT'), ('P_12Z_Zal_15', 'FLAG'), ('StanPrzedZ', 'FLAG')] +
        [(n, 'DECIMAL') for n in (
            'P_8BZ P_9AZ P_11NettoZ P_11VatZ P_12Z_XII KwotaAkcyzyZ').split()]),
}

# Every class the binding must offer; the generator fails when the schema
# walk yields a different set.
EXPECTED_CLASSES = set('''
TXMLFaktura TXMLTNaglowek TXMLTNaglowek_KodFormularza TXMLFaktura_Podmiot1 TXMLTPodmiot1
TXMLTAdres TXMLFaktura_Podmiot1_AdresKoresp TXMLFaktura_Podmiot1_DaneKontaktowe
TXMLFaktura_Podmiot2 TXMLTPodmiot2 TXMLFaktura_Podmiot2_DaneKontaktowe TXMLFaktura_Podmiot3
TXMLTPodmiot3 TXMLFaktura_Podmiot3_DaneKontaktowe TXMLFaktura_PodmiotUpowazniony
TXMLFaktura_PodmiotUpowazniony_DaneKontaktowe TXMLFaktura_Fa TXMLFaktura_Fa_OkresFa
TXMLFaktura_Fa_Adnotacje TXMLFaktura_Fa_Adnotacje_Zwolnienie
TXMLFaktura_Fa_Adnotacje_NoweSrodkiTransportu
TXMLFaktura_Fa_Adnotacje_NoweSrodkiTransportu_NowySrodekTransportu
TXMLFaktura_Fa_Adnotacje_PMarzy TXMLFaktura_Fa_DaneFaKorygowanej TXMLFaktura_Fa_Podmiot1K
TXMLFaktura_Fa_Podmiot2K TXMLFaktura_Fa_ZaliczkaCzesciowa TXMLTKluczWartosc
TXMLFaktura_Fa_FakturaZaliczkowa TXMLFaktura_Fa_FaWiersz TXMLFaktura_Fa_Rozliczenie
TXMLFaktura_Fa_Rozliczenie_Obciazenia TXMLFaktura_Fa_Rozliczenie_Odliczenia
TXMLFaktura_Fa_Platnosc TXMLFaktura_Fa_Platnosc_ZaplataCzesciowa
TXMLFaktura_Fa_Platnosc_TerminPlatnosci TXMLFaktura_Fa_Platnosc_TerminPlatnosci_TerminOpis
TXMLTRachunekBankowy TXMLFaktura_Fa_Platnosc_Skonto TXMLFaktura_Fa_WarunkiTransakcji
TXMLFaktura_Fa_WarunkiTransakcji_Umowy TXMLFaktura_Fa_WarunkiTransakcji_Zamowienia
TXMLFaktura_Fa_WarunkiTransakcji_Transport TXMLFaktura_Fa_WarunkiTransakcji_Transport_Przewoznik
TXMLFaktura_Fa_Zamowienie TXMLFaktura_Fa_Zamowienie_ZamowienieWiersz TXMLFaktura_Stopka
TXMLFaktura_Stopka_Informacje TXMLFaktura_Stopka_Rejestry TXMLFaktura_Zalacznik
TXMLFaktura_Zalacznik_BlokDanych TXMLFaktura_Zalacznik_BlokDanych_MetaDane
TXMLFaktura_Zalacznik_BlokDanych_Tekst TXMLFaktura_Zalacznik_BlokDanych_Tabela
TXMLFaktura_Zalacznik_BlokDanych_Tabela_TMetaDane TXMLFaktura_Zalacznik_BlokDanych_Tabela_TNaglowek
TXMLFaktura_Zalacznik_BlokDanych_Tabela_TNaglowek_Kol
TXMLFaktura_Zalacznik_BlokDanych_Tabela_TNaglowek_Kol_NKom
TXMLFaktura_Zalacznik_BlokDanych_Tabela_Wiersz TXMLFaktura_Zalacznik_BlokDanych_Tabela_Suma
'''.split())


def fail(msg):
    sys.stderr.write('gen_fa3_classes: ' + msg + '\n')
    sys.exit(1)


class Schema:
    def __init__(self, folder):
        self.complex, self.groups = {}, {}
        main = ET.parse(os.path.join(folder, MAIN)).getroot()
        self.namespace = main.get('targetNamespace')
        self.root = main
        for name in [MAIN] + IMPORTED:
            r = ET.parse(os.path.join(folder, name)).getroot()
            prefix = 'tns:' if name == MAIN else 'etd:'
            for c in r.findall(XS + 'complexType'):
                self.complex[prefix + c.get('name')] = c
            for g in r.findall(XS + 'group'):
                self.groups[prefix + g.get('name')] = g

    def content(self, ctype):
        """Members of a complex type in order: ('el', element, repeated), ('attr', name)."""
        out = []
        for ch in ctype:
            tag = ch.tag[len(XS):]
            if tag in ('sequence', 'choice', 'all'):
                out += self.particles(ch, ch.get('maxOccurs', '1') != '1')
            elif tag in ('complexContent', 'simpleContent'):
                for der in ch:
                    dtag = der.tag[len(XS):]
                    if dtag == 'extension' and der.get('base') in self.complex:
                        out += self.content(self.complex[der.get('base')])
                    if dtag in ('extension', 'restriction'):
                        out += self.content(der)
            elif tag == 'attribute':
                out.append(('attr', ch.get('name')))
        return out

    def particles(self, group, repeated):
        out = []
        for ch in group:
            tag = ch.tag[len(XS):]
            rep = repeated or ch.get('maxOccurs', '1') != '1'
            if tag in ('sequence', 'choice'):
                out += self.particles(ch, rep)
            elif tag == 'element':
                out.append(('el', ch, rep))
            elif tag == 'group':
                out += self.particles(self.groups[ch.get('ref')], rep)
        return out

    def complex_of(self, el):
        """(complex type node, named type or None, base of an empty extension or None)."""
        t = el.get('type')
        if t in self.complex:
            return self.complex[t], t, None
        c = el.find(XS + 'complexType')
        if c is None:
            return None, None, None
        base = None
        cc = c.find(XS + 'complexContent')
        if cc is not None:
            ext = cc.find(XS + 'extension')
            if ext is not None and ext.get('base') in self.complex and len(list(ext)) == 0:
                base = ext.get('base')
        return c, None, base


def class_of_type(named):
    return 'TXML' + named.split(':')[1]


class Generator:
    def __init__(self, schema):
        self.s = schema
        self.classes = {}   # name -> dict(kind, base, members, item)
        self.order = []
        self.lists = {}     # list class -> item class

    def element_class(self, el, prefix):
        ctype, named, base = self.s.complex_of(el)
        if named:
            return class_of_type(named), ctype, None
        return prefix + '_' + el.get('name'), ctype, (class_of_type(base) if base else None)

    def add_class(self, name, ctype, base_class, path):
        content = self.s.content(ctype)
        els = [c for c in content if c[0] == 'el']
        attrs = [c for c in content if c[0] == 'attr']
        if base_class:
            # Same members as the base: derive and add nothing.
            self.define(base_class, ctype, None, path)
            entry = dict(kind='CLASS', base=base_class, members=[], item=None)
            return self.register(name, entry, path)
        if len(els) == 1 and els[0][2] and not attrs:
            el = els[0][1]
            item_ctype, _, _ = self.s.complex_of(el)
            if item_ctype is None:
                entry = dict(kind='TEXT_COLLECTION', base=None, members=[],
                             item=(el.get('name'), None))
            else:
                item_class, ictype, ibase = self.element_class(el, name)
                self.define(item_class, ictype, ibase, path + '/' + el.get('name'))
                entry = dict(kind='COLLECTION', base=None, members=[],
                             item=(el.get('name'), item_class))
            return self.register(name, entry, path)
        members = []
        for kind, *rest in content:
            if kind == 'attr':
                members.append(('ATTR', rest[0]))
                continue
            el, repeated = rest
            ename = el.get('name')
            cctype, _, _ = self.s.complex_of(el)
            if cctype is None:
                if repeated:
                    members.append(('TEXTLIST', ename))
                else:
                    members.append((KINDS.get(name, {}).get(ename, 'TEXT'), ename))
                continue
            child_class, cct, cbase = self.element_class(el, name)
            self.define(child_class, cct, cbase, path + '/' + ename)
            if repeated:
                list_class = child_class + 'List'
                self.lists[list_class] = child_class
                members.append(('LIST', ename, list_class, child_class))
            else:
                members.append(('CHILD', ename, child_class))
        for m in KINDS.get(name, {}):
            if not any(len(x) == 2 and x[1] == m for x in members):
                fail('%s: kind given for %s, which is not a simple member' % (name, m))
        self.register(name, dict(kind='CLASS', base=None, members=members, item=None), path)

    def define(self, name, ctype, base_class, path):
        if name in self.classes:
            return
        self.classes[name] = None  # being defined
        self.add_class(name, ctype, base_class, path)

    def register(self, name, entry, path):
        self.classes[name] = entry
        self.order.append(name)

    def run(self):
        faktura = self.s.root.find(XS + 'element')
        ctype = faktura.find(XS + 'complexType')
        self.define('TXMLFaktura', ctype, None, 'Faktura')
        names = set(self.order)
        if names != EXPECTED_CLASSES:
            fail('classes differ from the expected set: missing %s, extra %s' % (
                sorted(EXPECTED_CLASSES - names), sorted(names - EXPECTED_CLASSES)))

    def write(self, out):
        # Classes appear by their stem: TXML + stem is the class, IXML + stem
        # its handle (TXMLTAdres / IXMLTAdres is written TAdres).
        def stem(name):
            assert name.startswith('TXML'), name
            return name[4:]
        out.write('// Generated by tools/gen_fa3_classes.py from the FA(3) schema; do not edit.\n')
        out.write('// One block per node class in schema order; see Schemat_FA3.h for the macros.\n')
        out.write('FA3_NAMESPACE("%s")\n\n' % self.s.namespace)
        for lst in sorted(self.lists):
            out.write('FA3_LIST_CLASS(%s, %s)\n' % (stem(lst), stem(self.lists[lst])))
        out.write('\n')
        for name in self.order:
            c = self.classes[name]
            if c['kind'] == 'COLLECTION':
                out.write('FA3_COLLECTION(%s, %s, %s)\n' % (
                    stem(name), c['item'][0], stem(c['item'][1])))
            elif c['kind'] == 'TEXT_COLLECTION':
                out.write('FA3_TEXT_COLLECTION(%s, %s)\n' % (stem(name), c['item'][0]))
            else:
                out.write('FA3_CLASS(%s, %s)\n' % (stem(name), stem(c['base'] or 'TXMLNode')))
            for m in c['members']:
                args = [m[1]] + [stem(a) for a in m[2:]]
                out.write('  FA3_%s(%s, %s)\n' % (m[0], stem(name), ', '.join(args)))
            out.write('FA3_END(%s)\n\n' % stem(name))


def main():
    if len(sys.argv) not in (2, 3):
        fail('usage: gen_fa3_classes.py SCHEMA_DIR [OUTPUT]')
    gen = Generator(Schema(sys.argv[1]))
    gen.run()
    if len(sys.argv) == 3:
        with open(sys.argv[2], 'w', encoding='utf-8', newline='\n') as out:
            gen.write(out)
    else:
        gen.write(sys.stdout)


if __name__ == '__main__':
    main()
