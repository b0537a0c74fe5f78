// Expansion helper for Fa3Classes.def (no include guard): forgets every
// FA3_* macro after one expansion of the table.
#undef FA3_NAMESPACE
#undef FA3_LIST_CLASS
#undef FA3_CLASS
#undef FA3_COLLECTION
#undef FA3_TEXT_COLLECTION
#undef FA3_END
#undef FA3_TEXT
#undef FA3_DECIMAL
#undef FA3_INT
#undef FA3_FLAG
#undef FA3_DATE
#undef FA3_DATETIME
#undef FA3_ATTR
#undef FA3_TEXTLIST
#undef FA3_CHILD
#undef FA3_LIST
