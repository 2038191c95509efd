// Entry and EntryTemplate: flags and strings through copies, and the
// template's ownership of its criteria list.
#include <string>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;
using CriteriaList = Vector<Criteria>;

// "key|value|label|SD" (sensitive, dynamic); a template adds " RA" (read-only, logical AND) and
// the number of its criteria, or "none" without a list.
static std::wstring describe(Entry& e) {
  std::wstring s = std::wstring(e.getKey().c_str()) + L"|" + e.getValue().c_str() + L"|" +
                   e.getLabel().c_str() + (e.isSensitive() ? L"|S" : L"|-") +
                   (e.isDynamic() ? L"D" : L"-");
  EntryTemplate* t = dynamic_cast<EntryTemplate*>(&e);
  if (t == nullptr) return s;
  CriteriaList* list = t->getEntryCriteria();
  s += std::wstring(t->isReadOnly() ? L" R" : L" -") + (t->isCriteriaLogicalAND() ? L"A " : L"- ") +
       (list ? std::to_wstring(list->size()) : L"none");
  if (list != nullptr) list->destroy();
  return s;
}

// Sets every member, with `criteria` criteria from a caller list of capacity 5, released
// afterwards.
static void fill(EntryTemplate& t, const wchar_t* key, int criteria) {
  t.setKey(key);
  t.setValue(L"v");
  t.setLabel(L"l");
  t.setSensitive(true);
  t.setDynamic(true);
  t.setReadOnly(true);
  t.setCriteriaLogicalAND(true);
  CriteriaList* list = new CriteriaList();
  for (int i = 0; i < criteria; ++i) list->push_back(Criteria());
  t.setEntryCriteria(list);
  list->destroy();
}

TEST(EntryTemplateTest, StoresItsOwnCopyOfTheCriteriaAndHandsOutNewCopies) {
  EntryTemplate t;
  EXPECT_EQ(describe(t), L"|||-- -- none");
  fill(t, L"k", 3);
  CriteriaList *first = t.getEntryCriteria(), *second = t.getEntryCriteria();
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->capacity(), 15u);  // stored with 5 + 5, returned with 10 + 5
  first->pop_back();
  first->destroy();
  second->destroy();
  EXPECT_EQ(describe(t), L"k|v|l|SD RA 3");

  CriteriaList empty;
  t.setEntryCriteria(&empty);
  EXPECT_EQ(describe(t), L"k|v|l|SD RA 0");
  t.setEntryCriteria(nullptr);
  EXPECT_EQ(describe(t), L"k|v|l|SD RA none");
}

TEST(EntryTemplateTest, CopiesCarryEverythingAndAssigningThroughEntryOnlyTheEntryPart) {
  EntryTemplate source, assigned, partial;
  fill(source, L"k", 2);
  fill(partial, L"own", 3);
  EntryTemplate copy(source);
  assigned = source;
  EntryTemplate& self = assigned;
  assigned = self;
  Entry* cloned = static_cast<Entry&>(source).clone();
  static_cast<Entry&>(partial) = Entry();
  source = EntryTemplate();  // a template without a list removes the target's list
  EXPECT_EQ(describe(source), L"|||-- -- none");
  EXPECT_EQ(describe(partial), L"|||-- RA 3");
  for (Entry* e : {static_cast<Entry*>(&copy), static_cast<Entry*>(&assigned), cloned}) {
    EXPECT_EQ(describe(*e), L"k|v|l|SD RA 2");
  }
  cloned->destroy();
}
