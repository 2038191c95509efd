// Allocation-failure sweeps. Every operation of the library that allocates runs
// again and again on fresh objects, each time with the next of its allocations
// failing, until it completes. Each failure must throw std::bad_alloc, leave no
// block of the module allocator behind and leave the object under test as the
// headers promise: mostly unchanged; empty after a failed vector assignment;
// whole enough to be copied after a failed value assignment. The program links
// the library's objects built with the hooks of foundation/allocation_faults.h
// and prints how much it swept.
#include "foundation/allocation_faults.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/dynamic_library.h"
#include "support/recording_zolog.h"

namespace {

namespace fs = std::filesystem;
using namespace Quor;
using Quor::detail::allocationsMade;
using Quor::detail::failAllocation;
using Quor::detail::liveAllocations;

// The manager module that the loader's definition file names.
const fs::path kModulePath = fs::canonical(QUOR_TEST_MODULE_PATH).make_preferred();

// What the sweeps covered, printed once every test has run.
long operationsSwept = 0, failurePointsSwept = 0;

class Totals : public testing::Environment {
  void TearDown() override {
    std::printf("swept %ld operations, %ld failure points\n", operationsSwept, failurePointsSwept);
  }
};
[[maybe_unused]] testing::Environment* const kTotals =
    testing::AddGlobalTestEnvironment(new Totals);

// The parameters that a client hands to the manager loader.
struct Loader {
  Vector<Parameter> params;
};

// Holds an object that the library handed over, and destroys it.
struct Destroy {
  void operator()(BaseDLLInterface* object) const { object->destroy(); }
};
template <class T>
std::unique_ptr<T, Destroy> own(T* object) {
  return std::unique_ptr<T, Destroy>(object);
}

// A field of a value class that allocates: how to give it a sample value told
// apart by a key, how it shows, and its getter and its setter (given another
// object's value) as operations to sweep.
template <class C>
struct Field {
  std::string name;
  std::function<void(C& object, const std::wstring& key)> fill;
  std::function<std::wstring(C& object)> show;
  std::function<void(C&, C&)> get, set;
};
template <class C>
using Fields = std::vector<Field<C>>;
template <class C>
Fields<C> fieldsOf();

// Samples with every field set, and what their getters show as one text.
struct Sample {
  template <class C>
  static C make(const std::wstring& key) {
    C object;
    fill(object, key);
    return object;
  }
  template <class C>
  static void fill(C& object, const std::wstring& key) {
    for (const Field<C>& field : fieldsOf<C>()) field.fill(object, key);
  }
  // Full: the next element appended makes the table grow.
  template <class T>
  static void fill(Vector<T>& v, const std::wstring& key) {
    for (const wchar_t* i : {L"0", L"1", L"2", L"3", L"4"}) v.push_back(make<T>(key + i));
  }
  static void fill(TString& v, const std::wstring& key) {
    v.assign((L" \t" + key + L" text\n").c_str());
  }
  static void fill(Loader& v, const std::wstring& key) {
    v.params.push_back(Parameter(TString((key + L"first").c_str()), TString(L"1")));
    v.params.push_back(Parameter(TString((key + L"second").c_str()), TString(L"2")));
  }
  template <class C>
  static std::wstring show(C& object) {
    std::wstring shown;
    for (const Field<C>& field : fieldsOf<C>()) shown += field.show(object);
    return shown;
  }
  template <class T>
  static std::wstring show(Vector<T>& v) {
    std::wstring shown = L"[";
    for (unsigned int i = 0; i < v.size(); ++i) shown += show(v[i]);
    return shown + L"]";
  }
  static std::wstring show(TString& v) { return std::wstring(v.c_str(), v.length()) + L'|'; }
  static std::wstring show(Loader& v) { return show(v.params); }
};

template <class C>
Field<C> text(const std::string& name, TString (C::*get)(), void (C::*set)(TString)) {
  return {name,
          [=](C& o, const std::wstring& key) {
            (o.*set)(TString((key + std::wstring(name.begin(), name.end())).c_str()));
          },
          [=](C& o) {
            TString value = (o.*get)();
            return Sample::show(value);
          },
          [=](C& o, C&) { (o.*get)(); }, [=](C& o, C& x) { (o.*set)((x.*get)()); }};
}
// An object held by pointer, deep-copied in and out.
template <class C, class T>
Field<C> owned(const std::string& name, T* (C::*get)(), void (C::*set)(T*)) {
  return {name,
          [=](C& o, const std::wstring& key) {
            T value = Sample::make<T>(key);
            (o.*set)(&value);
          },
          [=](C& o) {
            const auto value = own((o.*get)());
            return value ? Sample::show(*value) : L"null|";
          },
          [=](C& o, C&) { own((o.*get)()); }, [=](C& o, C& x) { (o.*set)(own((x.*get)()).get()); }};
}

// The fields of each value class, those of its base class first.
template <class C>
Fields<C> fieldsOf() {
  Fields<C> f;
  if constexpr (std::is_base_of_v<Identifier, C>) {
    f = {text<C>("Id", &Identifier::getId, &Identifier::setId),
         text<C>("Type", &Identifier::getType, &Identifier::setType)};
  } else if constexpr (std::is_same_v<C, Parameter>) {
    f = {text<C>("Id", &C::getId, &C::setId), text<C>("Value", &C::getValue, &C::setValue),
         text<C>("Type", &C::getType, &C::setType),
         text<C>("Encoding", &C::getEncoding, &C::setEncoding)};
  } else if constexpr (std::is_base_of_v<Managed, C>) {
    f = {text<C>("State", &Managed::getState, &Managed::setState)};
  } else if constexpr (std::is_same_v<C, Criteria>) {
    f = {text<C>("Id", &C::getId, &C::setId),
         text<C>("Comparison", &C::getComparison, &C::setComparison),
         text<C>("Value", &C::getValue, &C::setValue)};
  } else if constexpr (std::is_base_of_v<Entry, C>) {
    f = {text<C>("Key", &Entry::getKey, &Entry::setKey),
         text<C>("Label", &Entry::getLabel, &Entry::setLabel),
         text<C>("Value", &Entry::getValue, &Entry::setValue)};
  } else if constexpr (std::is_same_v<C, CredentialElement>) {
    f = {text<C>("Id", &C::getId, &C::setId), text<C>("Type", &C::getType, &C::setType),
         text<C>("Encoding", &C::getEncoding, &C::setEncoding),
         text<C>("Value", &C::getValue, &C::setValue),
         owned<C>("ParentCredentialId", &C::getParentCredentialId, &C::setParentCredentialId)};
  } else if constexpr (std::is_same_v<C, ExternalOperation>) {
    f = {text<C>("ExternalOperationId", &C::getExternalOperationId, &C::setExternalOperationId),
         text<C>("ProviderContextId", &C::getProviderContextId, &C::setProviderContextId),
         text<C>("Type", &C::getType, &C::setType),
         text<C>("Script", &C::getScript, &C::setScript),
         owned<C>("TransactionId", &C::getTransactionId, &C::setTransactionId),
         owned<C>("ProfileId", &C::getProfileId, &C::setProfileId),
         owned<C>("Parameters", &C::getParameters, &C::setParameters),
         owned<C>("ResponseParameters", &C::getResponseParameters, &C::setResponseParameters)};
  }
  if constexpr (std::is_same_v<C, EntryTemplate>) {
    f.push_back(owned<C>("EntryCriteria", &C::getEntryCriteria, &C::setEntryCriteria));
  } else if constexpr (std::is_same_v<C, Credential>) {
    f.insert(f.end(), {text<C>("Description", &C::getDescription, &C::setDescription),
                       owned<C>("Id", &C::getId, &C::setId),
                       owned<C>("ProfileId", &C::getProfileId, &C::setProfileId),
                       owned<C>("CredentialElements", &C::getCredentialElements,
                                &C::setCredentialElements)});
  }
  return f;
}

// What a failed operation promises of the object under test, which showed
// `before` when the operation began.
template <class C>
void unchanged(C& object, const std::wstring& before) {
  EXPECT_EQ(Sample::show(object), before);
}
template <class C>
void copyable(C& object, const std::wstring&) {
  C copy(object);
  EXPECT_EQ(Sample::show(copy), Sample::show(object));
}
template <class C>
void emptied(C& object, const std::wstring& before) {
  EXPECT_TRUE(object.empty());
  copyable(object, before);
}
// The loader throws nothing: a failed allocation gives null and a level-1
// line naming it, which this turns back into the exception that the sweep
// expects. A module that the loader returned is released.
template <class Load>
void loadAndRelease(Load load) {
  quor_test::clearLogEvents();
  Quor::HINSTANCE module = nullptr;
  try {
    module = load();
  } catch (...) {
    // Copying the arguments is the caller's work, before the loader logs.
    EXPECT_TRUE(quor_test::logEvents().empty()) << "the loader threw";
    throw;
  }
  struct BadAllocation : std::bad_alloc {
    const char* what() const noexcept override { return "bad allocation"; }
  };
  if (module != nullptr) return quor_test::closeLibrary(module);
  const std::wstring stopped = L": Stopped by an exception: bad allocation";
  bool logged = false;
  for (const quor_test::LogEvent& event : quor_test::logEvents()) {
    logged = logged || (event.level == 1 && event.message.size() > stopped.size() &&
                        event.message.compare(event.message.size() - stopped.size(), stopped.size(),
                                              stopped) == 0);
  }
  quor_test::clearLogEvents();
  ASSERT_TRUE(logged) << "no exception logged";
  throw BadAllocation();
}
// The loader appends the provider's parameters one by one, each one whole.
void providerAppended(Loader& object, const std::wstring&) {
  Loader expected = Sample::make<Loader>(L"a");
  for (const auto& [id, value] : {std::make_pair(L"provider.name", std::wstring(L"Sweep")),
                                  {L"provider.description", L""},
                                  {L"provider.implementation", kModulePath.wstring()},
                                  {L"provider.service", L""}}) {
    expected.params.push_back(Parameter(id, value.c_str()));
  }
  ASSERT_GE(object.params.size(), 2u);
  while (expected.params.size() > object.params.size()) expected.params.pop_back();
  EXPECT_EQ(Sample::show(object), Sample::show(expected));
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

// The operations of a value class: its constructors, clone() and assignment,
// `more`, and the getter and the setter of each field.
template <class C>
Rows<C> rowsOf(Rows<C> more = {}) {
  Rows<C> rows = {{"default constructor", OP(C c)},
                  {"copy constructor", OP(C c(o))},
                  {"clone", OP(own(o.clone()))},
                  {"operator=", OP(o = x), copyable}};
  rows.insert(rows.end(), more.begin(), more.end());
  for (const Field<C>& field : fieldsOf<C>()) {
    rows.push_back({"get" + field.name, field.get});
    rows.push_back({"set" + field.name, field.set});
  }
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
  for (const Row<C>& row : rows) {
    ++operationsSwept;
    for (long n = 1;; ++n, ++failurePointsSwept) {
      SCOPED_TRACE(row.name + " with allocation " + std::to_string(n) + " failing");
      const long live = liveAllocations();
      bool completed = false;
      {
        C object = Sample::make<C>(L"a"), other = Sample::make<C>(L"b");
        const std::wstring before = Sample::show(object);
        completed = completes(n, [&] { row.operation(object, other); });
        if (!completed) (row.check != nullptr ? row.check : unchanged<C>)(object, before);
      }
      EXPECT_EQ(liveAllocations(), live) << "blocks leaked";
      if (completed) break;
    }
  }
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

TEST(AllocationSweepTest, Identifier) {
  sweep(rowsOf<Identifier>({{"Identifier(id, type)", OP(Identifier c(x.getId(), x.getType()))}}));
}

TEST(AllocationSweepTest, ConfigurationId) {
  sweep(rowsOf<ConfigurationId>(
      {{"ConfigurationId(id)", OP(ConfigurationId c(x.getId()))},
       {"ConfigurationId(id, type)", OP(ConfigurationId c(x.getId(), x.getType()))},
       {"operator= of Identifier", OP(static_cast<Identifier&>(o) = x), copyable}}));
}

TEST(AllocationSweepTest, CredentialId) {
  sweep(rowsOf<CredentialId>(
      {{"CredentialId(id, type)", OP(CredentialId c(x.getId(), x.getType()))},
       {"operator= of Identifier", OP(static_cast<Identifier&>(o) = x), copyable}}));
}

TEST(AllocationSweepTest, TransactionId) {
  sweep(rowsOf<TransactionId>(
      {{"TransactionId(id)", OP(TransactionId c(x.getId()))},
       {"operator= of Identifier", OP(static_cast<Identifier&>(o) = x), copyable}}));
}

TEST(AllocationSweepTest, Parameter) {
  using P = Parameter;
  sweep(rowsOf<P>(
      {{"Parameter(id, value)", OP(P c(x.getId(), x.getValue()))},
       {"Parameter of texts", OP(P c(x.getEncoding(), x.getId(), x.getType(), x.getValue()))},
       {"Parameter of numbers",
        OP(P c(P::ENCODING_HEX_BINARY, x.getId(), P::TYPE_INTEGER, x.getValue()))},
       {"getTypeAsString", OP(P::getTypeAsString(P::TYPE_BYTE_ARRAY))},
       {"getEncodingAsString", OP(P::getEncodingAsString(P::ENCODING_DECIMAL))},
       {"getTypeAsEnum", OP(P::getTypeAsEnum(TString(L"byte[]")))},
       {"getEncodingAsEnum", OP(P::getEncodingAsEnum(TString(L"hexBinary")))}}));
}

TEST(AllocationSweepTest, Managed) {
  using Root = BaseDLLObjectImpl<BaseDLLInterface>;
  sweep(rowsOf<Managed>({{"getCreated", OP(Root::operator delete(o.getCreated()))},
                         {"getModified", OP(Root::operator delete(o.getModified()))}}));
}

TEST(AllocationSweepTest, Criteria) {
  sweep(rowsOf<Criteria>({{"Criteria(id, comparison, value)",
                           OP(Criteria c(x.getId(), x.getComparison(), x.getValue()))}}));
}

TEST(AllocationSweepTest, Entry) { sweep(rowsOf<Entry>()); }

TEST(AllocationSweepTest, EntryTemplate) {
  sweep(rowsOf<EntryTemplate>({{"operator= of Entry", OP(static_cast<Entry&>(o) = x), copyable}}));
}

TEST(AllocationSweepTest, CredentialElement) { sweep(rowsOf<CredentialElement>()); }

TEST(AllocationSweepTest, Credential) {
  sweep(rowsOf<Credential>({{"operator= of Managed", OP(static_cast<Managed&>(o) = x), copyable}}));
}

TEST(AllocationSweepTest, ExternalOperation) { sweep(rowsOf<ExternalOperation>()); }

// The loader end to end, in a directory of its own that is the current one:
// reading the definition file, appending the provider's parameters and loading
// the module that it names. A module that a call loaded is released.
TEST(AllocationSweepTest, ManagerFactoryNewManagerInstance) {
  const fs::path previous = fs::current_path();
  const fs::path directory =
      fs::temp_directory_path() / ("quor-sweep-" + std::to_string(std::random_device()()));
  ASSERT_TRUE(fs::create_directory(directory));
  fs::current_path(directory);
  std::ofstream("sweep.ini") << "provider.name=Sweep\nprovider.implementation="
                             << kModulePath.string() << "\n";
  sweep(Rows<Loader>{
      {"newManagerInstance(definition, provider, params)", OP(loadAndRelease([&] {
         return ManagerFactory::newManagerInstance(L"sweep.ini", L"Sweep", &o.params);
       })),
       providerAppended},
      {"newManagerInstance(provider, params)",
       OP(loadAndRelease([&] { return ManagerFactory::newManagerInstance(L"sweep", &o.params); })),
       providerAppended}});
  fs::current_path(previous);
  fs::remove_all(directory);
}

}  // namespace
