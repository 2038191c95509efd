// A client of the factory for the tests of privileged processes: asks for the
// definition file named by its argument and writes "loaded" or "null"; the
// library's lines go to standard error (ZOLOG_LEVEL).
#include <cstdio>
#include <cstring>
#include <string>

#include "quor/quor.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::wstring definition(argv[1], argv[1] + std::strlen(argv[1]));
  const Quor::HINSTANCE module =
      Quor::ManagerFactory::newManagerInstance(definition.c_str(), L"Trust", nullptr);
  std::puts(module != nullptr ? "loaded" : "null");
  return 0;
}
