// SPDX-License-Identifier: Apache-2.0
// The COM objects of the component's classes: MainForm, ErrorObject and VrnFieldList
// as the dual interfaces of the type library (OrvFields.idl), each method a thin
// forward to the portable object.
//
// Reference setters keep a counted reference to the caller's object (Com::fromDispatch)
// and getters give the same object back (Com::toDispatch); MainForm lets go of them in
// its own order when its COM object's last reference goes (Class_Terminate).
//
// A VrnFieldList made through its class object raises its eight events to the clients
// connected at its connection point for __VrnFieldList (IConnectionPointContainer),
// through each client's IDispatch::Invoke with the events' dispatch identifiers; the
// Cancel of ChangingFieldName and ChangingFieldValue comes back from the client.
#pragma once

namespace Plugin {

// Makes the three classes' COM objects the ones the runtime gives out for their
// portable objects (Com::registerWrapper). Called once, before the first class object
// is handed out.
void registerComClasses();

} // namespace Plugin
