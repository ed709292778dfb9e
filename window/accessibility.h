#pragma once

// Once per process. What screen readers are told about the window's own kinds of control:
// output labels are their accessible name (九星, 干支, ...) with the result as
// value, and a drop-down list is called by its accessible name when it has
// one (on Linux Qt would call it by its current entry even then).
void installAccessibility();
