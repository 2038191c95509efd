// The library's instantiation of Vector<TString>; those of the value classes
// are in model/vectors.cpp.
#include "foundation/vector_impl.h"

namespace Quor {

template class Vector<TString>;

}  // namespace Quor
