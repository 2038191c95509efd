// The value classes that clients and manager modules exchange: identifiers,
// parameters, managed records, criteria, entries and entry templates,
// credentials and their elements, and external operations. They carry data
// only: the library never validates, interprets or compares their contents.
//
// Conventions shared by every class here:
//   - Every object is allocated and released by the library's allocator (see
//     quor/base.h), so it may be created in one module and released in
//     another. Release objects that the library hands out by pointer with
//     destroy().
//   - Copies are deep: the copy constructor, operator= and clone() copy every
//     string and make new copies of every pointed-to object, so a copy shares
//     nothing with its source. Assigning an object to itself changes nothing.
//     A base class's operator= assigns only the base's members.
//   - clone() returns a new object of the same class as the one it is called
//     on; the caller owns it.
//   - TString getters return a copy; changing it never changes the object.
//     TString setters and constructors take their argument by value.
//   - Pointer getters return null when nothing is set, otherwise a new deep
//     copy of the member's declared class, which the caller owns and releases
//     with destroy(). The library never hands out a pointer that it stores.
//   - Pointer setters store a deep copy of the argument, or null for a null
//     argument, and release what they held. The argument stays the caller's.
//     A list set to an empty vector is different from no list: its getter
//     returns a new empty vector, not null.
//   - A default-constructed object has empty strings, null pointers, false
//     flags and zero enumerations, except where a class says otherwise.
//   - Failure: exhausted memory throws std::bad_alloc; an operation that
//     fails part-way leaks nothing.
//   - Thread safety: several threads may read one object at once; an object
//     must not be changed while another thread uses it.
//
// The order in which each class declares its virtual operations is part of
// the binary interface that clients are compiled against: it never changes.
//
// Each family has a header of its own, which this one includes:
// quor/identifiers.h, quor/parameter.h, quor/managed.h, quor/credential.h and
// quor/external_operation.h.
#ifndef QUOR_VALUES_H_
#define QUOR_VALUES_H_

#include "quor/credential.h"
#include "quor/external_operation.h"
#include "quor/identifiers.h"
#include "quor/managed.h"
#include "quor/parameter.h"

#endif  // QUOR_VALUES_H_
