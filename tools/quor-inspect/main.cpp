// quor-inspect: tells why the manager of a provider does or does not load.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include <zolog/zolog.h>

#include "inspect.h"
#include "output.h"
#include "platform.h"

namespace {

const char kHelp[] =
    "Usage: quor-inspect [--load] [--json] PROVIDER\n"
    "       quor-inspect [--load] [--json] --file PATH\n"
    "       quor-inspect --list [--json]\n"
    "\n"
    "Tells why the manager of a provider does or does not load. Looks for the\n"
    "factory definition file PROVIDER.ini (or PATH) where ManagerFactory does:\n"
    "as given, from the current directory, then beside the quor-interfaces\n"
    "library. Shows each place and whether a file was there (a FIFO, device,\n"
    "socket or pipe is not read, nor is a file over 1 MiB: the factory passes\n"
    "them over and looks on), each line of the file and what the reader made of\n"
    "it, the four provider values, and warnings: a provider name that is a\n"
    "path, a file as given that shadows one beside the library, a line with\n"
    "blanks before its ';' or '#' (no comment), a key with an empty value, a\n"
    "byte-order mark, bytes that are not valid UTF-8. Hints say what to write\n"
    "or rename when provider.name does not lead to the file, a file name\n"
    "differs only in letter case, the module lies beside the definition file\n"
    "(not where the factory looks) or its entry point lacks extern \"C\". In\n"
    "the text report, control characters read show as \\xNN (\\x1b) or \\uNNNN\n"
    "(\\u009b).\n"
    "\n"
    "  --file PATH  read the definition file PATH instead of PROVIDER.ini\n"
    "  --load       also load the module that the file names, as the factory\n"
    "               would: the path as written, then beside the library. Shows\n"
    "               each attempt with the system's own message (a special\n"
    "               file is refused, never loaded) and names the one that tells\n"
    "               most, then the module's version and whether it exports the\n"
    "               manager entry point. Loading runs the module's\n"
    "               initialisation code; without --load no module is loaded.\n"
    "               The module is loaded in a child process: a module whose\n"
    "               initialisation ends that process (a signal, an exit) or\n"
    "               does not end in time is shown as such.\n"
    "               A name that the system searches for is searched for as by\n"
    "               this program (on Windows the search begins in\n"
    "               quor-inspect's directory, not the client's).\n"
    "  --timeout SECONDS\n"
    "               how long loading may take with --load (default 10)\n"
    "  --list       list the providers that the definition files (*.ini) in\n"
    "               the current directory and beside the library define,\n"
    "               with a warning for a file that its provider name does not\n"
    "               reach; loads no module\n"
    "  --json       write the report as JSON\n"
    "  --help       write this text\n"
    "\n"
    "Exit status:\n"
    "  0  all is well; warnings alone leave it 0\n"
    "  1  a definition problem: no file, or provider.name or\n"
    "     provider.implementation not set or empty (--list: a file lacks them\n"
    "     or is not read, or there is no file)\n"
    "  2  a load problem (--load): the module did not load, or it does not\n"
    "     export the manager entry point\n"
    "  3  the command line is wrong\n";

const int kUsageError = 3;
const unsigned int kDefaultTimeLimit = 10;

void write(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

int usageError(const std::wstring& reason) {
  std::fprintf(stderr, "quor-inspect: %s (quor-inspect --help tells more)\n",
               quor_inspect::shown(reason).c_str());
  return kUsageError;
}

}  // namespace

namespace quor_inspect {

int run(const std::vector<std::wstring>& arguments) {
  if (arguments.size() == 2 && arguments[0] == kLoadChildArgument) {
    std::FILE* out = takeStandardOutput();
    zologSetLevelMask(0);
    return loadForParent(findLibrary(), arguments[1], out);
  }
  bool load = false, json = false, listing = false;
  unsigned long timeLimit = kDefaultTimeLimit;
  std::wstring provider, definition;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument == L"--help") {
      write(kHelp);
      return 0;
    } else if (argument == L"--load") {
      load = true;
    } else if (argument == L"--json") {
      json = true;
    } else if (argument == L"--list") {
      listing = true;
    } else if (argument == L"--timeout" && i + 1 < arguments.size()) {
      const std::wstring& seconds = arguments[++i];
      wchar_t* end = nullptr;
      timeLimit = std::wcstoul(seconds.c_str(), &end, 10);
      if (seconds.empty() || *end != L'\0' || seconds[0] == L'-' || timeLimit == 0 ||
          timeLimit > 86400) {
        return usageError(L"--timeout takes a number of seconds from 1 to 86400");
      }
    } else if (argument == L"--file" && i + 1 < arguments.size() && definition.empty()) {
      definition = arguments[++i];
    } else if (argument.rfind(L"--", 0) != 0 && !argument.empty() && definition.empty()) {
      provider = argument;
      definition = argument + L".ini";
    } else {
      return usageError(L"unexpected argument " + argument);
    }
  }
  if (listing == !definition.empty() || (listing && load)) {
    return usageError(L"give a provider, --file PATH or --list");
  }

  // What the library and the modules that --load loads log from here on is
  // not this tool's output (the library's attach notice came before main).
  zologSetLevelMask(0);
  const Library library = findLibrary();
  if (listing) {
    const Listing found = list(library);
    json ? writeJson(found, stdout) : writeText(found, stdout);
    return found.status();
  }
  const Report report =
      inspect(library, provider, definition, load, static_cast<unsigned int>(timeLimit));
  json ? writeJson(report, stdout) : writeText(report, stdout);
  return report.status();
}

}  // namespace quor_inspect
