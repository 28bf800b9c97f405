#pragma once
// Identifiers of the program's resources.

#define IDI_QUARROW 1

// The strips of pictures drawn at 16, 20, 24 and 32 pixels, in that order from the first id.
#define IDB_ACTIONS16 101
#define IDB_STATUS16 111
// The Preferences dialog's tab pictures at 32, 40, 48 and 64 pixels, from the first id.
#define IDB_PAGES32 121

#define QUARROW_VERSION_TEXT L"2.1.0"
#define QUARROW_PRODUCT_NAME L"Quarrow"
