// Entry and EntryTemplate: flags and strings through copies, and the
// template's ownership of its criteria list.
#include <string>

#include <gtest/gtest.h>

#include "quor/values.h"

using Quor::Criteria;
using Quor::Entry;
using Quor::EntryTemplate;
using Quor::TString;
using CriteriaList = Quor::Vector<Criteria>;

namespace {

std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

// "key|value|label|sensitive dynamic" of an entry.
std::wstring describe(Entry& e) {
  return text(e.getKey()) + L"|" + text(e.getValue()) + L"|" + text(e.getLabel()) + L"|" +
         (e.isSensitive() ? L"S" : L"-") + (e.isDynamic() ? L"D" : L"-");
}

// " RA: ids of the criteria" (read-only, logical AND), or " RA none" without a list.
std::wstring describeTemplate(EntryTemplate& t) {
  std::wstring s =
      std::wstring(t.isReadOnly() ? L" R" : L" -") + (t.isCriteriaLogicalAND() ? L"A" : L"-");
  CriteriaList* list = t.getEntryCriteria();
  if (list == nullptr) return s + L" none";
  s += L":";
  for (unsigned int i = 0; i < list->size(); ++i) s += L" " + text(list->at(i).getId());
  list->destroy();
  return s;
}

void fill(Entry& e, const wchar_t* key) {
  e.setKey(TString(key));
  e.setValue(TString(L"v"));
  e.setLabel(TString(L"l"));
  e.setSensitive(true);
  e.setDynamic(true);
}

// Gives `t` its own copy of a list of criteria "c0" ... and sets both flags.
void attachCriteria(EntryTemplate& t, int n) {
  CriteriaList* list = new CriteriaList();
  for (int i = 0; i < n; ++i) {
    list->push_back(
        Criteria(TString((L"c" + std::to_wstring(i)).c_str()), TString(L"=="), TString()));
  }
  t.setEntryCriteria(list);
  list->destroy();
  t.setReadOnly(true);
  t.setCriteriaLogicalAND(true);
}

}  // namespace

TEST(EntryTest, FlagsAndStringsSurviveCopyAssignmentAndClone) {
  Entry source;
  EXPECT_EQ(describe(source), L"|||--");
  fill(source, L"key");
  Entry copy(source);
  Entry assigned;
  assigned = source;
  Entry* cloned = source.clone();
  source.setKey(TString(L"other"));
  source.setSensitive(false);
  source.setDynamic(false);
  EXPECT_EQ(describe(copy), L"key|v|l|SD");
  EXPECT_EQ(describe(assigned), L"key|v|l|SD");
  EXPECT_EQ(describe(*cloned), L"key|v|l|SD");
  cloned->destroy();
  Entry& self = copy;
  copy = self;
  EXPECT_EQ(describe(copy), L"key|v|l|SD");
}

TEST(EntryTemplateTest, StoresItsOwnCopyOfTheCriteriaAndHandsOutNewCopies) {
  EntryTemplate t;
  EXPECT_EQ(t.getEntryCriteria(), nullptr);
  EXPECT_EQ(describe(t) + describeTemplate(t), L"|||-- -- none");
  attachCriteria(t, 3);  // from a caller list of capacity 5, now released

  CriteriaList* first = t.getEntryCriteria();
  CriteriaList* second = t.getEntryCriteria();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->capacity(), 15u);  // stored with 5 + 5, returned with 10 + 5
  first->at(0).setId(TString(L"changed"));
  first->pop_back();
  EXPECT_EQ(second->size(), 3u);
  first->destroy();
  second->destroy();
  EXPECT_EQ(describeTemplate(t), L" RA: c0 c1 c2");

  CriteriaList empty;
  t.setEntryCriteria(&empty);
  EXPECT_EQ(describeTemplate(t), L" RA:");
  t.setEntryCriteria(nullptr);
  EXPECT_EQ(describeTemplate(t), L" RA none");
}

TEST(EntryTemplateTest, CopyAssignmentAndCloneCarryTheListAndFlags) {
  EntryTemplate source;
  fill(source, L"key");
  attachCriteria(source, 2);
  EntryTemplate copy(source);
  EntryTemplate assigned;
  assigned = source;
  Entry* cloned = static_cast<Entry&>(source).clone();
  EntryTemplate* clonedTemplate = dynamic_cast<EntryTemplate*>(cloned);
  ASSERT_NE(clonedTemplate, nullptr);
  source.setEntryCriteria(nullptr);
  source.setReadOnly(false);
  for (EntryTemplate* t : {&copy, &assigned, clonedTemplate}) {
    EXPECT_EQ(describe(*t) + describeTemplate(*t), L"key|v|l|SD RA: c0 c1");
  }
  cloned->destroy();

  EntryTemplate& self = assigned;
  assigned = self;
  EXPECT_EQ(describe(assigned) + describeTemplate(assigned), L"key|v|l|SD RA: c0 c1");
  EntryTemplate withoutList;
  assigned = withoutList;
  EXPECT_EQ(describe(assigned) + describeTemplate(assigned), L"|||-- -- none");
}

TEST(EntryTemplateTest, AssigningThroughEntryChangesOnlyTheEntryPart) {
  EntryTemplate target;
  attachCriteria(target, 3);
  EntryTemplate other;
  fill(other, L"from template");
  Entry& throughBase = target;
  throughBase = other;
  EXPECT_EQ(describe(target) + describeTemplate(target), L"from template|v|l|SD RA: c0 c1 c2");

  Entry plain;
  fill(plain, L"from entry");
  target = plain;
  EXPECT_EQ(describe(target) + describeTemplate(target), L"from entry|v|l|SD RA: c0 c1 c2");
}
