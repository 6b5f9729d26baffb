// The demo's sound library: two builds of this file, ovit.dll (normal PCM
// sound) and ovit_mwv.dll (M-WAVE variant), tell the game which one it loaded.
#include <windows.h>

#ifndef OVIT_VARIANT
#error "OVIT_VARIANT must name the variant"
#endif

extern "C" __declspec(dllexport) const char* __stdcall OvitVariant() {
    return OVIT_VARIANT;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
