#pragma once
// Resource ids of the program's pictures, icon and manifest.
#define IDI_APP 1
#define IDR_VISUAL_STYLES 3  // a manifest
#define IDB_SKIN 201
#define IDB_VERSION 202
#define IDB_OPEN 203
#define IDB_OPEN_SEL 204
#define IDB_REG 205
#define IDB_REG_SEL 206
#define IDB_UNREG 207
#define IDB_UNREG_SEL 208
