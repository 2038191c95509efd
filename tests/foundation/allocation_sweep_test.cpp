// Allocation-failure sweeps. Every operation of the library that allocates runs
// again and again on fresh objects, each time with the next of its allocations
// failing, until it completes. Each failure must throw std::bad_alloc, leave no
// block of the module allocator behind and leave the object under test as the
// headers promise: mostly unchanged; empty after a failed vector assignment;
// whole enough to be copied after a failed value assignment. The program links
// the library's objects built with the hooks of foundation/allocation_faults.h.
#include "foundation/allocation_faults.h"

#include <zolog/zolog.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <new>
#include <regex>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/dynamic_library.h"
#include "support/scratch_directory.h"
#include "support/value_samples.h"

namespace {

namespace fs = std::filesystem;
using namespace Quor;
using namespace quor_test;
using Quor::detail::allocationsMade;
using Quor::detail::failAllocation;
using Quor::detail::liveAllocations;

// The manager module that the loader's definition file names.
const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();

// The samples a sweep starts from: the object under test, and another one
// that an operation may read. Value objects are both filled through every
// setter, so that each setter and assignment replaces what a member held.
template <class C>
void prepare(C& o, C& x) {
  fill(o);
  fill(x);
}
void prepare(TString& o, TString& x) {
  o.assign(L" \ta text\n");
  x.assign(L" \tb text\n");
}
// Full: the next element appended makes the table grow.
template <class T>
void prepare(Vector<T>& o, Vector<T>& x) {
  for (int i = 0; i < 5; ++i) {
    T element, filled;
    prepare(element, filled);
    o.push_back(element);
    x.push_back(filled);
  }
}

// What a failed operation promises of the object under test, which showed
// `before` when the operation began.
template <class C>
void unchanged(C& object, const std::wstring& before) {
  EXPECT_EQ(describe(object), before);
}
template <class C>
void copyable(C& object, const std::wstring&) {
  C copy(object);
  EXPECT_EQ(describe(copy), describe(object));
}
template <class C>
void emptied(C& object, const std::wstring& before) {
  EXPECT_TRUE(object.empty());
  copyable(object, before);
}
// The loader throws nothing: a failed allocation gives null and a level-1
// line naming it, which this turns back into the exception that the sweep
// expects. A module that the loader returned is released.
std::vector<std::pair<int, std::wstring>> loaderLines;
struct BadAllocation : std::bad_alloc {
  const char* what() const noexcept override { return "bad allocation"; }
};
template <class Load>
void loadAndRelease(Load load) {
  loaderLines.clear();
  Quor::HINSTANCE module = nullptr;
  try {
    module = load();
  } catch (...) {
    // Copying the arguments is the caller's work, before the loader logs.
    EXPECT_TRUE(loaderLines.empty()) << "the loader threw";
    throw;
  }
  if (module != nullptr) return quor_test::closeLibrary(module);
  const std::wregex stopped(L"ManagerFactory.*: Stopped by an exception: bad allocation");
  ASSERT_TRUE(std::any_of(loaderLines.begin(), loaderLines.end(), [&](const auto& line) {
    return line.first == 1 && std::regex_match(line.second, stopped);
  })) << "no exception logged";
  throw BadAllocation();
}
// loadManagerModule stops at any allocation that fails, in the search or in
// its report, and says so instead of throwing.
void loadManagerModuleAndRelease(Vector<Parameter>& params) {
  Quor::HINSTANCE module = nullptr;
  Quor::ManagerLoadFailure failure = Quor::MANAGER_LOADED;
  Quor::loadManagerModule(L"sweep.ini", L"Sweep", &params, &module, &failure, nullptr);
  if (module != nullptr) return quor_test::closeLibrary(module);
  EXPECT_EQ(failure, Quor::MANAGER_LOAD_STOPPED);
  throw BadAllocation();
}
// The loader appends the provider's parameters one by one, each one whole, to
// the client's params.
using Params = Vector<Parameter>;
void providerAppended(Params& object, const std::wstring&) {
  Params expected, unused;
  prepare(expected, unused);
  for (const auto& [id, value] : {std::make_pair(L"provider.name", std::wstring(L"Sweep")),
                                  {L"provider.description", L""},
                                  {L"provider.implementation", kModulePath.wstring()},
                                  {L"provider.service", L""}}) {
    expected.push_back(Parameter(id, value.c_str()));
  }
  ASSERT_GE(object.size(), 5u);
  while (expected.size() > object.size()) expected.pop_back();
  EXPECT_EQ(describe(object), describe(expected));
}

// One operation on `object`, which may read `other`, another sample of its
// class; and what it promises when it fails.
template <class C>
struct Row {
  std::string name;
  std::function<void(C& object, C& other)> operation;
  void (*check)(C&, const std::wstring&) = nullptr;  // null: unchanged<C>
};
template <class C>
using Rows = std::vector<Row<C>>;

// An operation on `o`, the object under test, that may read `x`.
#define OP(...) []([[maybe_unused]] auto& o, [[maybe_unused]] auto& x) { __VA_ARGS__; }

// The operations of a value class: its constructors, clone(), assignment and
// every setter, each of which takes one of the other sample's values.
template <class C>
Rows<C> rowsOf() {
  Rows<C> rows = {{"default constructor", OP(C c)},
                  {"copy constructor", OP(C c(x))},
                  {"clone", OP(x.clone()->destroy())},
                  {"operator=", OP(o = x), copyable},
                  {"every setter", OP(fill(o)), copyable}};
  // Assigning through a base assigns the base's members only: a path of its own.
  if constexpr (std::is_base_of_v<Managed, C> && !std::is_same_v<Managed, C>)
    rows.push_back({"operator= of Managed", OP(static_cast<Managed&>(o) = x), copyable});
  if constexpr (std::is_base_of_v<Entry, C> && !std::is_same_v<Entry, C>)
    rows.push_back({"operator= of Entry", OP(static_cast<Entry&>(o) = x), copyable});
  return rows;
}

// Runs `operation` with the n-th allocation from now failing. False when it
// failed there as it should; true when it completed.
bool completes(long n, const std::function<void()>& operation) {
  const long made = allocationsMade();
  failAllocation(n);
  try {
    operation();
  } catch (const std::bad_alloc& e) {
    failAllocation(0);
    EXPECT_STREQ(e.what(), "bad allocation");
    EXPECT_EQ(allocationsMade() - made, n) << "thrown after another allocation";
    return false;
  } catch (...) {
    failAllocation(0);
    ADD_FAILURE() << "an exception other than std::bad_alloc";
    return true;
  }
  failAllocation(0);
  EXPECT_LT(allocationsMade() - made, n) << "the failure was swallowed";
  return true;
}

// Fails each allocation of each operation in turn, on fresh samples, until the
// operation completes.
template <class C>
void sweep(const Rows<C>& rows) {
  long failurePoints = 0;
  for (const Row<C>& row : rows) {
    for (long n = 1;; ++n, ++failurePoints) {
      SCOPED_TRACE(row.name + " with allocation " + std::to_string(n) + " failing");
      const long live = liveAllocations();
      bool completed = false;
      {
        C object, other;
        prepare(object, other);
        const std::wstring before = describe(object);
        completed = completes(n, [&] { row.operation(object, other); });
        if (!completed) (row.check != nullptr ? row.check : unchanged<C>)(object, before);
      }
      EXPECT_EQ(liveAllocations(), live) << "blocks leaked";
      if (completed) break;
    }
  }
  EXPECT_GT(failurePoints, 0) << "no allocation was made to fail";
}

TEST(AllocationSweepTest, TString) {
  sweep(Rows<TString>{{"TString()", OP(TString s)},
                      {"TString(wchar_t)", OP(TString s(L'c'))},
                      {"TString(text, count)", OP(TString s(L"text", 9))},
                      {"TString(const TString&)", OP(TString s(o))},
                      {"operator=", OP(o = x)},
                      {"assign", OP(o.assign(L"assigned", 5))},
                      {"assign of its own text", OP(o.assign(o.c_str() + 2, 4))},
                      {"clear", OP(o.clear())},
                      {"operator+=", OP(o += x)},
                      {"operator+= of itself", OP(o += o)},
                      {"operator+", OP(TString s = o + x)},
                      {"append", OP(o.append(L"more"))},
                      {"append of its own text", OP(o.append(o.c_str(), 3))},
                      {"format", OP(o.format(L"%ws=%d %hs", L"n", 42, "narrow"))},
                      {"appendFormat", OP(o.appendFormat(L"%c%u", L'c', 7u))},
                      {"replace", OP(o.replace(L"text", L"words"))},
                      {"ltrim", OP(o.ltrim())},
                      {"rtrim", OP(o.rtrim())},
                      {"trim", OP(o.trim())},
                      {"substr", OP(TString s = o.substr(2, 4))}});
}

template <class T>
void sweepVector() {
  using C = Vector<T>;
  sweep(Rows<C>{{"Vector()", OP(C v)},
                {"Vector(const Vector&)", OP(C v(o))},
                {"push_back(const T&)", OP(o.push_back(x.front()))},
                {"push_back(const T*)", OP(o.push_back(&x.back()))},
                {"push_back(const Vector&)", OP(o.push_back(x))},
                {"push_back of itself", OP(o.push_back(o))},
                {"operator+=", OP(o += x)},
                {"clear", OP(o.clear())},
                {"operator=", OP(o = x), emptied}});
}

TEST(AllocationSweepTest, VectorOfTString) { sweepVector<TString>(); }

TEST(AllocationSweepTest, VectorOfCredentialElement) { sweepVector<CredentialElement>(); }

template <class C>
class AllocationSweepValueTest : public testing::Test {};
using ValueClasses = testing::Types<Identifier, ConfigurationId, CredentialId, TransactionId,
                                    Parameter, Managed, Criteria, Entry, EntryTemplate,
                                    CredentialElement, Credential, ExternalOperation>;
TYPED_TEST_SUITE(AllocationSweepValueTest, ValueClasses);

TYPED_TEST(AllocationSweepValueTest, Operations) { sweep(rowsOf<TypeParam>()); }

// The loader end to end, in a directory of its own that is the current one:
// reading the definition file, appending the provider's parameters and loading
// the module that it names. A module that a call loaded is released.
using AllocationSweepLoaderTest = ScratchDirectoryTest;
TEST_F(AllocationSweepLoaderTest, ManagerFactoryNewManagerInstance) {
  writeFile("sweep.ini", "provider.name=Sweep\nprovider.implementation=" + kModulePath.string());
  zologSetLevelMask(ZOLOG_ALL);
  zologSetHandler([](void*, const wchar_t*, int level,
                     const wchar_t* message) { loaderLines.emplace_back(level, message); },
                  nullptr);
  sweep(Rows<Params>{{"newManagerInstance(definition, provider, params)", OP(loadAndRelease([&] {
                        return ManagerFactory::newManagerInstance(L"sweep.ini", L"Sweep", &o);
                      })),
                      providerAppended},
                     {"newManagerInstance(provider, params)", OP(loadAndRelease([&] {
                        return ManagerFactory::newManagerInstance(L"sweep", &o);
                      })),
                      providerAppended},
                     {"loadManagerModule", OP(loadManagerModuleAndRelease(o)), providerAppended}});
  zologSetHandler(nullptr, nullptr);
}

}  // namespace
