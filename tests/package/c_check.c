/* zolog's header compiles as C. */
#include <zolog/zolog.h>

int zologCCheck(void) { return zologLog(L"C", ZOLOG_DETAIL, L"%d", 1); }
