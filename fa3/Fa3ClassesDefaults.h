// Expansion helper for Fa3Classes.def (included once per expansion, so no
// include guard): every FA3_* macro that the including pass has not defined
// expands to nothing. Include Fa3ClassesReset.h after the table.
#ifndef FA3_NAMESPACE
#define FA3_NAMESPACE(ns)
#endif
#ifndef FA3_LIST_CLASS
#define FA3_LIST_CLASS(ListCls, ItemCls)
#endif
#ifndef FA3_CLASS
#define FA3_CLASS(Cls, Base)
#endif
#ifndef FA3_COLLECTION
#define FA3_COLLECTION(Cls, ItemName, ItemCls)
#endif
#ifndef FA3_TEXT_COLLECTION
#define FA3_TEXT_COLLECTION(Cls, ItemName)
#endif
#ifndef FA3_END
#define FA3_END(Cls)
#endif
#ifndef FA3_TEXT
#define FA3_TEXT(Cls, Name)
#endif
#ifndef FA3_DECIMAL
#define FA3_DECIMAL(Cls, Name)
#endif
#ifndef FA3_INT
#define FA3_INT(Cls, Name)
#endif
#ifndef FA3_FLAG
#define FA3_FLAG(Cls, Name)
#endif
#ifndef FA3_DATE
#define FA3_DATE(Cls, Name)
#endif
#ifndef FA3_DATETIME
#define FA3_DATETIME(Cls, Name)
#endif
#ifndef FA3_ATTR
#define FA3_ATTR(Cls, Name)
#endif
#ifndef FA3_TEXTLIST
#define FA3_TEXTLIST(Cls, Name)
#endif
#ifndef FA3_CHILD
#define FA3_CHILD(Cls, Name, ChildCls)
#endif
#ifndef FA3_LIST
#define FA3_LIST(Cls, Name, ListCls, ItemCls)
#endif
