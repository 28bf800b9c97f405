#pragma once
// Identifiers of the program's resources.

#define IDI_QUARROW 1

#define QUARROW_VERSION_TEXT L"2.1.0"
#define QUARROW_PRODUCT_NAME L"Quarrow"
