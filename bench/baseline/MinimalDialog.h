// Resource ids of MinimalDialog.exe, read by the resource compiler too.
#pragma once
#define IDD_MINIMAL_DIALOG 100
