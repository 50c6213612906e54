// Identifiers of the resource tests' own resources.
#pragma once

#define IDI_FIXTURE 50
#define IDD_CLASSIC 100
#define IDD_EXTENDED 101
#define IDD_NO_ITEMS 102
#define IDD_TWO_LANGUAGES 103
#define IDR_CHAIN 200
#define IDR_ONLY_OTHER_LANGUAGES 201
#define IDR_EMPTY 202
#define IDI_MISSING_IMAGE 300
#define IDI_BROKEN_IMAGE 301
#define IDR_BROKEN_IMAGE 998
#define ID_EXTENDED_EDIT 70000
