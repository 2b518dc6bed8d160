// SPDX-License-Identifier: Apache-2.0
// ObjectDispatch: a generic IDispatch over a portable object, for objects that have no
// interface in a type library (a host's publication tree made of portable objects, in
// a Windows client). Com::toDispatch makes one for every object whose class has no
// COM object of its own.
//
// GetIDsOfNames is the object's idOfName (names in any letter case; an unknown name is
// DISP_E_UNKNOWNNAME); Invoke converts the arguments, calls the object's invoke and
// writes values of by-reference parameters back into the caller's VT_BYREF arguments;
// a failure is DISP_E_EXCEPTION with the automation number, description and source
// in EXCEPINFO. QueryInterface answers IUnknown, IDispatch and every interface the
// object supports (Object::supports), all with the same IDispatch. There is no type
// information.
#pragma once

#include "automation/Object.h"

#include <oaidl.h>

namespace Automation::Com {

// A new generic IDispatch over `object` (not Nothing), holding one reference.
IDispatch *makeObjectDispatch(const Ref<Object> &object);

} // namespace Automation::Com
