// What a store's user could plant beside a program: a DLL that the tests copy there under the
// name of each system DLL the programs use that is not a known DLL. Loaded, it leaves the file
// "<its own path>.carregada"; it exports nothing, so a program that imported from it at load time
// would not even start.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instancia, DWORD motivo, LPVOID)
{
    if (motivo == DLL_PROCESS_ATTACH) {
        wchar_t marca[MAX_PATH + 16];
        const DWORD tamanho = GetModuleFileNameW(instancia, marca, MAX_PATH);
        if (tamanho > 0 && tamanho < MAX_PATH) {
            lstrcatW(marca, L".carregada");
            const HANDLE arquivo =
                CreateFileW(marca, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (arquivo != INVALID_HANDLE_VALUE) CloseHandle(arquivo);
        }
    }
    return TRUE;
}
