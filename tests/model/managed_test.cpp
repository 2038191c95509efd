// Managed: its times and how copies carry them. Criteria: its members.
#include <ctime>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "quor/values.h"

using namespace Quor;
using Times = std::pair<long long, long long>;

static void release(long long* block) {
  BaseDLLObjectImpl<BaseDLLInterface>::operator delete(block);
}

// (created, modified), each read from a new block that is then released.
static Times times(Managed& m) {
  long long *created = m.getCreated(), *modified = m.getModified();
  const Times result(*created, *modified);
  release(created);
  release(modified);
  return result;
}

TEST(ManagedTest, TimesAreStampedOnCreationCopiedInAndOutAndCarriedByCopies) {
  const long long before = std::time(nullptr);
  Managed source;
  const Times stamped = times(source);
  long long created = 1000, modified = 2000;
  source.setCreated(&created);
  source.setModified(&modified);
  created = modified = 5;
  long long *first = source.getCreated(), *second = source.getCreated();
  EXPECT_NE(first, second);
  *first = 77;
  release(first);
  release(second);

  Managed copy(source), assigned;
  assigned = source;
  Managed* cloned = source.clone();
  for (Managed* m : {&source, &copy, &assigned, cloned}) EXPECT_EQ(times(*m), Times(1000, 2000));
  cloned->destroy();

  source.setModified(nullptr);  // now, and the creation time stays
  const Times later = times(source);
  const long long after = std::time(nullptr);
  EXPECT_TRUE(before <= stamped.first && stamped.first <= stamped.second &&
              stamped.second <= after);
  EXPECT_TRUE(later.first == 1000 && before <= later.second && later.second <= after);
}

TEST(CriteriaTest, ConstructorAndSettersStoreEachMember) {
  Criteria c(L"age", L">=", L"18");
  c.setComparison(L"==");
  EXPECT_EQ(std::wstring(c.getId().c_str()) + c.getComparison().c_str() + c.getValue().c_str(),
            L"age==18");
}
