// The start and the end of the administrator's units, in their fixed order:
// each registers its classes, editors, value lists and actions with the
// explorer model. The program and the tests call these, never static
// initialisers, so that the order is the one written here.
#pragma once

namespace dbx {

// Raises the silent abort when the property-definition text is missing or of
// another version; the units started before are ended again. The program's
// top-level units need the window's library (admin_ui); the model's start
// in admin_model.
void StartAdministratorUnits();
// In the reverse order.
void StopAdministratorUnits();

// The model's units alone, without the program's top-level classes, for the
// tests and tools that register top-level classes of their own.
void StartModelUnits();
void StopModelUnits();

}  // namespace dbx
