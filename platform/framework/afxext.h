// The framework's extensions header. The device's edition has nothing beyond
// afxwin.h that a dialog program uses, so this is the same set.
#pragma once

#include "afxwin.h"
