// Vector<Parameter> beside std::vector<std::unique_ptr<Parameter>> making the
// same copies of the same Parameter, for n = 10, 100, 1000 and 10000:
// Vector_<Op>/<n> has the baseline StdVector_<Op>/<n>. Times include
// destroying what the operation made.
//
// Vector's table grows 5 slots at a time, so appending n elements one by one
// moves about n * n / 10 pointers; std::vector grows by a factor and moves
// fewer than 2n. The counter moved_pointers says how many each one moved.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "quor/values.h"

namespace {

using Quor::Parameter;
using Quor::Vector;
using PointerVector = std::vector<std::unique_ptr<Parameter>>;

Parameter sampleParameter() {
  return Parameter(L"provider.implementation", L"/usr/lib/quor/managers/libdemo-manager.so");
}

unsigned int countOf(const benchmark::State& state) {
  return static_cast<unsigned int>(state.range(0));
}

void counts(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);
}

void fill(Vector<Parameter>& vector, const Parameter& parameter, unsigned int n) {
  for (unsigned int i = 0; i < n; ++i) vector.push_back(parameter);
}

void fill(PointerVector& vector, const Parameter& parameter, unsigned int n) {
  for (unsigned int i = 0; i < n; ++i) vector.push_back(std::make_unique<Parameter>(parameter));
}

// The element pointers that growing the table moves while n elements are
// appended one by one: each growth copies every pointer already held.
template <class Sequence>
double movedPointers(const Parameter& parameter, unsigned int n) {
  Sequence sequence;
  double moved = 0;
  for (unsigned int i = 0; i < n; ++i) {
    if (sequence.size() == sequence.capacity()) moved += sequence.size();
    fill(sequence, parameter, 1);
  }
  return moved;
}

void Vector_Append(benchmark::State& state) {
  const Parameter parameter = sampleParameter();
  const unsigned int n = countOf(state);
  for (auto _ : state) {
    Vector<Parameter> vector;
    fill(vector, parameter, n);
    benchmark::DoNotOptimize(&vector);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["moved_pointers"] = movedPointers<Vector<Parameter>>(parameter, n);
}
BENCHMARK(Vector_Append)->Apply(counts);

void StdVector_Append(benchmark::State& state) {
  const Parameter parameter = sampleParameter();
  const unsigned int n = countOf(state);
  for (auto _ : state) {
    PointerVector vector;
    fill(vector, parameter, n);
    benchmark::DoNotOptimize(&vector);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["moved_pointers"] = movedPointers<PointerVector>(parameter, n);
}
BENCHMARK(StdVector_Append)->Apply(counts);

// The deep copy that Vector's copy constructor makes, written for
// std::vector: a new Parameter for each element.
PointerVector deepCopy(const PointerVector& source) {
  PointerVector copy;
  copy.reserve(source.size());
  for (const auto& element : source) copy.push_back(std::make_unique<Parameter>(*element));
  return copy;
}

void Vector_Copy(benchmark::State& state) {
  Vector<Parameter> source;
  fill(source, sampleParameter(), countOf(state));
  for (auto _ : state) {
    Vector<Parameter> copy(source);
    benchmark::DoNotOptimize(&copy);
  }
  state.SetItemsProcessed(state.iterations() * countOf(state));
}
BENCHMARK(Vector_Copy)->Apply(counts);

void StdVector_Copy(benchmark::State& state) {
  PointerVector source;
  fill(source, sampleParameter(), countOf(state));
  for (auto _ : state) {
    PointerVector copy = deepCopy(source);
    benchmark::DoNotOptimize(&copy);
  }
  state.SetItemsProcessed(state.iterations() * countOf(state));
}
BENCHMARK(StdVector_Copy)->Apply(counts);

// Assignment over a vector that holds n elements already: they are destroyed
// and replaced by copies of the source's.
void Vector_Assign(benchmark::State& state) {
  Vector<Parameter> source;
  fill(source, sampleParameter(), countOf(state));
  Vector<Parameter> target(source);
  for (auto _ : state) {
    target = source;
    benchmark::DoNotOptimize(&target);
  }
  state.SetItemsProcessed(state.iterations() * countOf(state));
}
BENCHMARK(Vector_Assign)->Apply(counts);

void StdVector_Assign(benchmark::State& state) {
  PointerVector source;
  fill(source, sampleParameter(), countOf(state));
  PointerVector target = deepCopy(source);
  for (auto _ : state) {
    target.clear();
    target.reserve(source.size());
    for (const auto& element : source) target.push_back(std::make_unique<Parameter>(*element));
    benchmark::DoNotOptimize(&target);
  }
  state.SetItemsProcessed(state.iterations() * countOf(state));
}
BENCHMARK(StdVector_Assign)->Apply(counts);

// Every element reached once through the checked accessor.
void Vector_At(benchmark::State& state) {
  const unsigned int n = countOf(state);
  Vector<Parameter> vector;
  fill(vector, sampleParameter(), n);
  for (auto _ : state) {
    for (unsigned int i = 0; i < n; ++i) benchmark::DoNotOptimize(&vector.at(i));
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(Vector_At)->Apply(counts);

void StdVector_At(benchmark::State& state) {
  const unsigned int n = countOf(state);
  PointerVector vector;
  fill(vector, sampleParameter(), n);
  for (auto _ : state) {
    for (unsigned int i = 0; i < n; ++i) benchmark::DoNotOptimize(vector.at(i).get());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(StdVector_At)->Apply(counts);

}  // namespace
