// One walk over the class table fills every member of every class with its
// own value, and the same walk over the saved and reloaded file reads each
// value back.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"

using namespace brenvik;
using brenvik::testing::Fa3SamplesDir;
using brenvik::testing::TTempDir;

namespace {

// Deterministic values: the reading walk draws the same sequence as the
// filling walk, so each member is compared with what was written into it.
struct TWalker {
  bool Filling = true;
  int N = 0;
  std::set<std::string> Visited;

  void Visit(const char* cls) { Visited.insert(cls); }
  std::string Text() { return "Wartość " + std::to_string(++N) + " <&>\""; }
  double Decimal() {
    static const double bases[] = {12.5, 100, 0.07, -3.25, 1234567.891, 0.000001};
    ++N;
    return bases[N % 6] + N;
  }
  int Int() { return ++N; }
  int Flag() { return 1 + (++N % 2); }
  TDateTime Date() { return IncDay(EncodeDate(2026, 1, 1), ++N); }
  TDateTime DateTime() {
    ++N;
    return EncodeDateTime(2026, 1, 1 + N % 28, N % 24, N % 60, (N * 7) % 60);
  }
};

void Walk(TXMLNode&, TWalker&) {}
void WalkTexts(TXMLTZnakowyList& list, TWalker& w, const char* where) {
  if (w.Filling) {
    list.Add(w.Text());
    list.Add(w.Text());
    return;
  }
  ASSERT_EQ(list.Count(), 2) << where;
  EXPECT_EQ(list.Items(0), w.Text()) << where;
  EXPECT_EQ(list.Items(1), w.Text()) << where;
}

#define FA3_CLASS(Cls, Base) void Walk(TXML##Cls& n, TWalker& w);
#define FA3_COLLECTION(Cls, ItemName, ItemCls) FA3_CLASS(Cls, _)
#define FA3_TEXT_COLLECTION(Cls, ItemName) FA3_CLASS(Cls, _)
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

template <class T>
void WalkItems(TXMLNodeListOf<T>& list, TWalker& w, const char* where) {
  if (w.Filling) {
    Walk(*list.Add(), w);
    Walk(*list.Add(), w);
    return;
  }
  ASSERT_EQ(list.Count(), 2) << where;
  Walk(*list.Items(0), w);
  Walk(*list.Items(1), w);
}

#define FA3_VALUE(Cls, Name, Draw) \
  if (w.Filling)                   \
    n.Set##Name(w.Draw());         \
  else                             \
    EXPECT_EQ(n.Name(), w.Draw()) << #Cls "." #Name;

#define FA3_CLASS(Cls, Base)            \
  void Walk(TXML##Cls& n, TWalker& w) { \
    w.Visit("TXML" #Cls);               \
    Walk(static_cast<TXML##Base&>(n), w);
#define FA3_COLLECTION(Cls, ItemName, ItemCls) \
  void Walk(TXML##Cls& n, TWalker& w) {        \
    w.Visit("TXML" #Cls);                      \
    WalkItems<TXML##ItemCls>(n, w, #Cls);
#define FA3_TEXT_COLLECTION(Cls, ItemName) \
  void Walk(TXML##Cls& n, TWalker& w) {    \
    w.Visit("TXML" #Cls);                  \
    WalkTexts(n, w, #Cls);
#define FA3_END(Cls) }
#define FA3_TEXT(Cls, Name) FA3_VALUE(Cls, Name, Text)
#define FA3_ATTR(Cls, Name) FA3_VALUE(Cls, Name, Text)
#define FA3_DECIMAL(Cls, Name) FA3_VALUE(Cls, Name, Decimal)
#define FA3_INT(Cls, Name) FA3_VALUE(Cls, Name, Int)
#define FA3_FLAG(Cls, Name) FA3_VALUE(Cls, Name, Flag)
#define FA3_DATE(Cls, Name) FA3_VALUE(Cls, Name, Date)
#define FA3_DATETIME(Cls, Name) FA3_VALUE(Cls, Name, DateTime)
#define FA3_TEXTLIST(Cls, Name) WalkTexts(*n.Name(), w, #Cls "." #Name);
#define FA3_CHILD(Cls, Name, ChildCls) Walk(*n.Name(), w);
#define FA3_LIST(Cls, Name, ListCls, ItemCls) \
  w.Visit("TXML" #ListCls);                   \
  WalkItems<TXML##ItemCls>(*n.Name(), w, #Cls "." #Name);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// Reads every member that a loaded document holds, through its typed
// getter, without creating anything; returns how many values were read.
struct TReader {
  int Values = 0;
  std::string Where;
};

void Read(TXMLNode&, TReader&) {}
void ReadTexts(TXMLTZnakowyList& list, TReader& r) {
  for (int i = 0; i < list.Count(); ++i, ++r.Values) list.Items(i);
}

#define FA3_CLASS(Cls, Base) void Read(TXML##Cls& n, TReader& r);
#define FA3_COLLECTION(Cls, ItemName, ItemCls) FA3_CLASS(Cls, _)
#define FA3_TEXT_COLLECTION(Cls, ItemName) FA3_CLASS(Cls, _)
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

bool HasElements(xmlNodePtr node) {
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) return true;
  return false;
}

// A child class with text content (KodFormularza, NKom) gives its text.
template <class T>
void ReadChild(T& child, TReader& r) {
  if (!HasElements(child.Node())) {
    child.Text();
    ++r.Values;
  }
  Read(child, r);
}

template <class T>
void ReadItems(TXMLNodeListOf<T>& list, TReader& r) {
  for (int i = 0; i < list.Count(); ++i) Read(*list.Items(i), r);
}

#define FA3_READ(Cls, Name)   \
  if (n.HasChild(#Name)) {    \
    r.Where = #Cls "." #Name; \
    n.Name();                 \
    ++r.Values;               \
  }
#define FA3_CLASS(Cls, Base)            \
  void Read(TXML##Cls& n, TReader& r) { \
    Read(static_cast<TXML##Base&>(n), r);
#define FA3_COLLECTION(Cls, ItemName, ItemCls) \
  void Read(TXML##Cls& n, TReader& r) {        \
    ReadItems<TXML##ItemCls>(n, r);
#define FA3_TEXT_COLLECTION(Cls, ItemName) \
  void Read(TXML##Cls& n, TReader& r) {    \
    ReadTexts(n, r);
#define FA3_END(Cls) }
#define FA3_TEXT(Cls, Name) FA3_READ(Cls, Name)
#define FA3_DECIMAL(Cls, Name) FA3_READ(Cls, Name)
#define FA3_INT(Cls, Name) FA3_READ(Cls, Name)
#define FA3_FLAG(Cls, Name) FA3_READ(Cls, Name)
#define FA3_DATE(Cls, Name) FA3_READ(Cls, Name)
#define FA3_DATETIME(Cls, Name) FA3_READ(Cls, Name)
#define FA3_ATTR(Cls, Name)    \
  if (n.HasAttribute(#Name)) { \
    n.Name();                  \
    ++r.Values;                \
  }
#define FA3_TEXTLIST(Cls, Name) ReadTexts(*n.Name(), r);
#define FA3_CHILD(Cls, Name, ChildCls) \
  if (n.HasChild(#Name)) ReadChild(*n.Name(), r);
#define FA3_LIST(Cls, Name, ListCls, ItemCls) ReadItems<TXML##ItemCls>(*n.Name(), r);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// Number of elements and attributes below an element.
int CountItems(xmlNodePtr node) {
  int count = 0;
  for (xmlAttrPtr a = node->properties; a; a = a->next) ++count;
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) count += (HasElements(c) ? 0 : 1) + CountItems(c);
  return count;
}

// Every class and list class the table declares.
std::set<std::string> AllClasses() {
  std::set<std::string> names;
#define FA3_LIST_CLASS(ListCls, ItemCls) names.insert("TXML" #ListCls);
#define FA3_CLASS(Cls, Base) names.insert("TXML" #Cls);
#define FA3_COLLECTION(Cls, ItemName, ItemCls) names.insert("TXML" #Cls);
#define FA3_TEXT_COLLECTION(Cls, ItemName) names.insert("TXML" #Cls);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"
  return names;
}

}  // namespace

TEST(Fa3Walk, EveryMemberOfEveryClassRoundTripsThroughAFile) {
  TTempDir dir;
  std::string path = dir / "all.xml";
  TWalker filler;
  {
    IXMLFaktura f = NewFaktura();
    Walk(*f, filler);
    f->OwnerDocument()->SaveToFile(path);
  }
  EXPECT_EQ(filler.Visited, AllClasses());
  EXPECT_EQ(AllClasses().size(), 60u + 28u);

  IXMLFaktura loaded = LoadFaktura(path);
  std::string before = loaded->OwnerDocument()->XML();
  TWalker reader;
  reader.Filling = false;
  Walk(*loaded, reader);
  EXPECT_EQ(reader.N, filler.N);
  EXPECT_GT(filler.N, 500);  // the table really was walked
  // Reading found every element: nothing was created on the way.
  EXPECT_EQ(loaded->OwnerDocument()->XML(), before);
}

TEST(Fa3Walk, EverySampleInvoiceReadsBackThroughTheBinding) {
  std::string samples = Fa3SamplesDir();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    if (entry.path().extension() != ".xml") continue;
    ++files;
    std::string path = entry.path().string();
    SCOPED_TRACE(path);
    IXMLFaktura f = LoadFaktura(path);
    std::string before = f->OwnerDocument()->XML();
    TReader r;
    try {
      Read(*f, r);
    } catch (const std::exception& e) {
      ADD_FAILURE() << r.Where << ": " << e.what();
      continue;
    }
    // Every simple element and attribute of the file was read once.
    EXPECT_EQ(r.Values, CountItems(f->Node()));
    EXPECT_EQ(f->OwnerDocument()->XML(), before);
    EXPECT_EQ(f->Naglowek()->KodFormularza()->Text(), "FA");
    EXPECT_EQ(f->Naglowek()->WariantFormularza(), 3);
    EXPECT_FALSE(f->Podmiot1()->DaneIdentyfikacyjne()->NIP().empty());
  }
  EXPECT_GE(files, 20);
}
