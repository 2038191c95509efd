// Managed: its times and how copies carry them. Criteria: its members and
// copies.
#include <ctime>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "quor/values.h"

using Quor::Criteria;
using Quor::Managed;
using Quor::TString;
using Times = std::pair<long long, long long>;

namespace {

std::wstring text(const TString& s) { return std::wstring(s.c_str(), s.length()); }

long long now() { return static_cast<long long>(std::time(nullptr)); }

void release(long long* block) {
  Quor::BaseDLLObjectImpl<Quor::BaseDLLInterface>::operator delete(block);
}

// (created, modified), each read from a new block that is then released.
Times times(Managed& m) {
  long long* created = m.getCreated();
  long long* modified = m.getModified();
  const Times result(*created, *modified);
  release(created);
  release(modified);
  return result;
}

}  // namespace

TEST(ManagedTest, NewObjectIsStampedWithTheCurrentTime) {
  const long long before = now();
  Managed managed;
  const long long after = now();
  const Times stamped = times(managed);
  EXPECT_GE(stamped.first, before);
  EXPECT_GE(stamped.second, stamped.first);
  EXPECT_LE(stamped.second, after);
}

TEST(ManagedTest, TimesAreCopiedInAndHandedOutInNewBlocksAndNullMeansNow) {
  Managed managed;
  long long created = 1000, modified = 2000;
  managed.setCreated(&created);
  managed.setModified(&modified);
  created = 5;
  EXPECT_EQ(times(managed), Times(1000, 2000));

  long long* first = managed.getCreated();
  long long* second = managed.getCreated();
  EXPECT_NE(first, second);
  *first = 77;
  EXPECT_EQ(*second, 1000);
  release(first);
  release(second);
  EXPECT_EQ(times(managed), Times(1000, 2000));

  const long long before = now();
  managed.setModified(nullptr);
  const long long after = now();
  const Times stamped = times(managed);
  EXPECT_EQ(stamped.first, 1000);
  EXPECT_GE(stamped.second, before);
  EXPECT_LE(stamped.second, after);
  managed.setCreated(nullptr);
  EXPECT_GE(times(managed).first, before);
}

TEST(ManagedTest, CopiesAssignmentsAndClonesCarryTheSourceTimes) {
  Managed source;
  long long created = 1000, modified = 2000;
  source.setCreated(&created);
  source.setModified(&modified);
  source.setState(TString(L"ACTIVE"));
  Managed copy(source);
  Managed assigned;
  assigned = source;
  Managed* cloned = source.clone();
  source.setState(TString(L"CHANGED"));
  source.setModified(nullptr);
  for (Managed* m : {&copy, &assigned, cloned}) {
    EXPECT_EQ(times(*m), Times(1000, 2000));
    EXPECT_EQ(text(m->getState()), L"ACTIVE");
  }
  cloned->destroy();
  Managed& self = assigned;
  assigned = self;
  EXPECT_EQ(times(assigned), Times(1000, 2000));
}

TEST(CriteriaTest, MembersComeFromConstructorSettersAndDeepCopies) {
  Criteria source(TString(L"age"), TString(L">="), TString(L"18"));
  Criteria copy(source);
  Criteria assigned;
  assigned = source;
  Criteria* cloned = source.clone();
  source.setId(TString(L"name"));
  source.setComparison(TString(L"=="));
  source.setValue(TString(L"x"));
  for (Criteria* c : {&source, &copy, &assigned, cloned}) {
    const bool changed = c == &source;
    EXPECT_EQ(text(c->getId()), changed ? L"name" : L"age");
    EXPECT_EQ(text(c->getComparison()), changed ? L"==" : L">=");
    EXPECT_EQ(text(c->getValue()), changed ? L"x" : L"18");
  }
  cloned->destroy();
}
