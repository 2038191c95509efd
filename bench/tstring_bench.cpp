// TString beside std::wstring: each operation on the same text at the lengths
// 8, 64, 1024 and 65536. TString_<Op>/<length> has the baseline
// WString_<Op>/<length>, the std::wstring code a program would write for the
// same result. Operations that change a string in place start from a fresh
// copy in both, since a TString never reuses its buffer. Each keeps its result
// alive the same way, by the object's address: TString::c_str() is a call
// into the library where std::wstring::data() is inline, and the benchmarks
// time the operation, not the access.
#include <cstddef>
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "quor/tstring.h"

namespace {

using Quor::TString;

// The text of `length` characters that the operations work on: repeated
// "k=value;", so that a replacement finds an occurrence every 8 characters.
std::wstring sampleText(std::size_t length) {
  static const wchar_t kUnit[] = L"k=value;";
  std::wstring text;
  text.reserve(length);
  while (text.size() < length) text.push_back(kUnit[text.size() % 8]);
  return text;
}

// The sample text ending with the only occurrence of kPattern.
const wchar_t kPattern[] = L"END";
std::wstring searchText(std::size_t length) {
  std::wstring text = sampleText(length);
  text.replace(length - 3, 3, kPattern);
  return text;
}

// The sample text between a blank and a tab on either side.
std::wstring paddedText(std::size_t length) { return L" \t" + sampleText(length - 4) + L"\t "; }

// The sample text with its last character changed: a comparison reads it all.
std::wstring differentText(std::size_t length) {
  std::wstring text = sampleText(length);
  text.back() = L'#';
  return text;
}

std::size_t lengthOf(const benchmark::State& state) {
  return static_cast<std::size_t>(state.range(0));
}

void lengths(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(8)->Arg(64)->Arg(1024)->Arg(65536);
}

// Construction from a NUL-terminated text.
void TString_Construct(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state));
  for (auto _ : state) {
    TString s(text.c_str());
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Construct)->Apply(lengths);

void WString_Construct(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state));
  for (auto _ : state) {
    std::wstring s(text.c_str());
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Construct)->Apply(lengths);

void TString_Copy(benchmark::State& state) {
  const TString source(sampleText(lengthOf(state)).c_str());
  for (auto _ : state) {
    TString s(source);
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Copy)->Apply(lengths);

void WString_Copy(benchmark::State& state) {
  const std::wstring source = sampleText(lengthOf(state));
  for (auto _ : state) {
    std::wstring s(source);
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Copy)->Apply(lengths);

// A copy of a string of `length` characters, then `length` more appended
// from a NUL-terminated text: the copy has no spare room in either, so the
// append makes one allocation and copies both parts.
void TString_Append(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state));
  const TString source(text.c_str());
  for (auto _ : state) {
    TString s(source);
    s.append(text.c_str());
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Append)->Apply(lengths);

void WString_Append(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state));
  const std::wstring source = text;
  for (auto _ : state) {
    std::wstring s(source);
    s.append(text.c_str());
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Append)->Apply(lengths);

// operator+ of two strings of `length` characters each.
void TString_Concat(benchmark::State& state) {
  const TString a(sampleText(lengthOf(state)).c_str());
  const TString b(a);
  for (auto _ : state) {
    const TString s = a + b;
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Concat)->Apply(lengths);

void WString_Concat(benchmark::State& state) {
  const std::wstring a = sampleText(lengthOf(state));
  const std::wstring b = a;
  for (auto _ : state) {
    const std::wstring s = a + b;
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Concat)->Apply(lengths);

// The position of a pattern that occurs only at the end.
void TString_Find(benchmark::State& state) {
  TString s(searchText(lengthOf(state)).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.find(kPattern, 0));
}
BENCHMARK(TString_Find)->Apply(lengths);

void WString_Find(benchmark::State& state) {
  const std::wstring s = searchText(lengthOf(state));
  benchmark::DoNotOptimize(&s);
  for (auto _ : state) benchmark::DoNotOptimize(s.find(kPattern, 0));
}
BENCHMARK(WString_Find)->Apply(lengths);

// Every "value" replaced by "data", in a copy of the sample text. The
// std::wstring code builds the result in one reserved string.
void TString_Replace(benchmark::State& state) {
  const TString source(sampleText(lengthOf(state)).c_str());
  for (auto _ : state) {
    TString s(source);
    s.replace(L"value", L"data");
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Replace)->Apply(lengths);

std::wstring replaceAll(const std::wstring& text, std::wstring_view from, std::wstring_view to) {
  std::wstring result;
  result.reserve(text.size());
  std::size_t resume = 0;
  for (std::size_t p = text.find(from); p != std::wstring::npos; p = text.find(from, resume)) {
    result.append(text, resume, p - resume);
    result.append(to);
    resume = p + from.size();
  }
  result.append(text, resume, std::wstring::npos);
  return result;
}

void WString_Replace(benchmark::State& state) {
  const std::wstring source = sampleText(lengthOf(state));
  for (auto _ : state) {
    std::wstring s(source);
    s = replaceAll(s, L"value", L"data");
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Replace)->Apply(lengths);

// White space removed from both ends of a copy of the padded text.
void TString_Trim(benchmark::State& state) {
  const TString source(paddedText(lengthOf(state)).c_str());
  for (auto _ : state) {
    TString s(source);
    s.trim();
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Trim)->Apply(lengths);

bool isSpace(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

void trimInPlace(std::wstring& s) {
  std::size_t end = s.size();
  while (end > 0 && isSpace(s[end - 1])) --end;
  s.erase(end);
  std::size_t begin = 0;
  while (begin < s.size() && isSpace(s[begin])) ++begin;
  s.erase(0, begin);
}

void WString_Trim(benchmark::State& state) {
  const std::wstring source = paddedText(lengthOf(state));
  for (auto _ : state) {
    std::wstring s(source);
    trimInPlace(s);
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Trim)->Apply(lengths);

// The middle half of the text.
void TString_Substr(benchmark::State& state) {
  const std::size_t length = lengthOf(state);
  const TString s(sampleText(length).c_str());
  for (auto _ : state) {
    const TString part = s.substr(length / 4, static_cast<int>(length / 2));
    benchmark::DoNotOptimize(&part);
  }
}
BENCHMARK(TString_Substr)->Apply(lengths);

void WString_Substr(benchmark::State& state) {
  const std::size_t length = lengthOf(state);
  const std::wstring s = sampleText(length);
  for (auto _ : state) {
    const std::wstring part = s.substr(length / 4, length / 2);
    benchmark::DoNotOptimize(&part);
  }
}
BENCHMARK(WString_Substr)->Apply(lengths);

// Two texts that differ in their last character.
void TString_Compare(benchmark::State& state) {
  const TString a(sampleText(lengthOf(state)).c_str());
  const TString b(differentText(lengthOf(state)).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(a.compare(b));
}
BENCHMARK(TString_Compare)->Apply(lengths);

void WString_Compare(benchmark::State& state) {
  const std::wstring a = sampleText(lengthOf(state));
  const std::wstring b = differentText(lengthOf(state));
  benchmark::DoNotOptimize(&a);
  benchmark::DoNotOptimize(&b);
  for (auto _ : state) benchmark::DoNotOptimize(a.compare(b));
}
BENCHMARK(WString_Compare)->Apply(lengths);

// The positional form over the whole text.
void TString_ComparePart(benchmark::State& state) {
  const unsigned int length = static_cast<unsigned int>(lengthOf(state));
  const TString a(sampleText(length).c_str());
  const TString b(differentText(length).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(a.compare(0, length, b));
}
BENCHMARK(TString_ComparePart)->Apply(lengths);

void WString_ComparePart(benchmark::State& state) {
  const std::size_t length = lengthOf(state);
  const std::wstring a = sampleText(length);
  const std::wstring b = differentText(length);
  benchmark::DoNotOptimize(&a);
  benchmark::DoNotOptimize(&b);
  for (auto _ : state) benchmark::DoNotOptimize(a.compare(0, length, b));
}
BENCHMARK(WString_ComparePart)->Apply(lengths);

// The different text in upper case: every letter is folded on both sides.
std::wstring upperText(std::size_t length) {
  std::wstring text = differentText(length);
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
  return text;
}

void TString_CompareIgnoreCase(benchmark::State& state) {
  const TString a(sampleText(lengthOf(state)).c_str());
  const TString b(upperText(lengthOf(state)).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(a.compareIgnoreCase(b));
}
BENCHMARK(TString_CompareIgnoreCase)->Apply(lengths);

void WString_CompareIgnoreCase(benchmark::State& state) {
  const std::wstring a = sampleText(lengthOf(state));
  const std::wstring b = upperText(lengthOf(state));
  for (auto _ : state) benchmark::DoNotOptimize(wcscasecmp(a.c_str(), b.c_str()));
}
BENCHMARK(WString_CompareIgnoreCase)->Apply(lengths);

void TString_CompareIgnoreCasePart(benchmark::State& state) {
  const unsigned int length = static_cast<unsigned int>(lengthOf(state));
  const TString a(sampleText(length).c_str());
  const TString b(upperText(length).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(a.compareIgnoreCase(0, length, b));
}
BENCHMARK(TString_CompareIgnoreCasePart)->Apply(lengths);

void WString_CompareIgnoreCasePart(benchmark::State& state) {
  const std::size_t length = lengthOf(state);
  const std::wstring a = sampleText(length);
  const std::wstring b = upperText(length);
  for (auto _ : state) benchmark::DoNotOptimize(wcsncasecmp(a.c_str(), b.c_str(), length));
}
BENCHMARK(WString_CompareIgnoreCasePart)->Apply(lengths);

// A wide string and a number formatted into `length` characters. Without a
// formatter that measures its output, the std::wstring code doubles a buffer
// until the output fits.
void TString_Format(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state) - 1);
  TString s;
  for (auto _ : state) {
    s.format(L"%ws%d", text.c_str(), 7);
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(TString_Format)->Apply(lengths);

std::wstring formatWide(const wchar_t* text, int number) {
  std::wstring result(256, L'\0');
  for (;;) {
    const int length = std::swprintf(&result[0], result.size(), L"%ls%d", text, number);
    if (length >= 0) {
      result.resize(static_cast<std::size_t>(length));
      return result;
    }
    result.resize(result.size() * 2);
  }
}

void WString_Format(benchmark::State& state) {
  const std::wstring text = sampleText(lengthOf(state) - 1);
  for (auto _ : state) {
    const std::wstring s = formatWide(text.c_str(), 7);
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(WString_Format)->Apply(lengths);

}  // namespace
