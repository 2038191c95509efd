// Uses the installed headers and libraries and prints what it made.
#include <quor/quor.h>
#include <zolog/zolog.h>

#include <cstdio>

int main() {
  zologSetLevelMask(0);
  Quor::TString greeting(L"consumer");
  greeting.appendFormat(L" of %ws %d.%d", L"quor-interfaces", 1, 0);
  Quor::TString* copy = new Quor::TString(greeting);
  const bool same = *copy == greeting;
  copy->destroy();
  std::printf("%ls: %s\n", greeting.c_str(), same ? "ok" : "copy differs");
  return same ? 0 : 1;
}
