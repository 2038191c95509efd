// The public headers compile as C++11 with every warning enabled.
#include <quor/quor.h>
#include <zolog/zolog.h>

Quor::TString quorCxx11Check() { return Quor::TString(L"c++11") + Quor::TString(L" client"); }
