// A client of quor-interfaces at work: the library logs its attach when the
// program starts (run it with ZOLOG_LEVEL=0x1f to see every level), then the
// program builds, edits and compares a few strings, all allocated by the
// library.
#include <quor/quor.h>

#include <cstdio>

namespace {

void show(const char* what, const Quor::TString& text) {
  std::printf("%-28s \"%ls\" (length %u)\n", what, text.c_str(), text.length());
}

}  // namespace

int main() {
  Quor::TString line(L"  provider.implementation = demo-manager  ");
  show("a line of a definition file", line);

  const int equals = line.find(L"=", 0);
  Quor::TString key = line.substr(0, equals);
  Quor::TString value = line.substr(static_cast<unsigned int>(equals) + 1, -1);
  show("key", key.trim());
  show("value", value.trim());

  Quor::TString module = value + Quor::TString(L".so");
  show("module file", module);
  show("with another extension", Quor::TString(module).replace(L".so", L".dll"));

  Quor::TString summary;
  summary.format(L"%ws has %d characters; %ws", key.c_str(), static_cast<int>(key.length()),
                 key.compareIgnoreCase(Quor::TString(L"PROVIDER.IMPLEMENTATION")) == 0
                     ? L"it is the implementation key"
                     : L"it is some other key");
  show("formatted", summary);

  // Objects that the library hands out by pointer are released with destroy().
  Quor::TString* copy = new Quor::TString(summary);
  std::printf("%-28s %s\n", "a copy equals its source", *copy == summary ? "yes" : "no");
  copy->destroy();
  return 0;
}
