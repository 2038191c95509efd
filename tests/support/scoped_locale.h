// Sets the C locale for one scope to a Turkish one, whose towlower('I') is a
// dotless i and whose iswspace() knows the Unicode spaces: the locale in which
// a reading that follows the locale goes wrong. The locale in force before is
// restored at the end of the scope.
#ifndef QUOR_TESTS_SUPPORT_SCOPED_LOCALE_H_
#define QUOR_TESTS_SUPPORT_SCOPED_LOCALE_H_

#include <clocale>
#include <string>

class ScopedTurkishLocale {
 public:
  ScopedTurkishLocale() : before_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"tr_TR.UTF-8", "tr_TR.utf8", "Turkish_Turkey.1254"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        name_ = name;
        break;
      }
    }
  }
  ~ScopedTurkishLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  ScopedTurkishLocale(const ScopedTurkishLocale&) = delete;
  ScopedTurkishLocale& operator=(const ScopedTurkishLocale&) = delete;

  // The locale set; empty when the system has none of them.
  const std::string& name() const { return name_; }

 private:
  std::string before_;
  std::string name_;
};

#endif  // QUOR_TESTS_SUPPORT_SCOPED_LOCALE_H_
