// quor-interfaces: every public header in one.
//
// Clients and manager modules link the shared library (Quor::interfaces in
// CMake, quor-interfaces in pkg-config) and include this header or the
// headers of the families they use.
#ifndef QUOR_QUOR_H_
#define QUOR_QUOR_H_

#include "quor/base.h"
#include "quor/export.h"
#include "quor/manager_module.h"
#include "quor/managers.h"
#include "quor/owned.h"
#include "quor/platform.h"
#include "quor/std_string.h"
#include "quor/tstring.h"
#include "quor/values.h"
#include "quor/vector.h"
#include "quor/version.h"

#endif  // QUOR_QUOR_H_
