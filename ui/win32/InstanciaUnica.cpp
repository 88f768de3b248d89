#include "ui/win32/InstanciaUnica.h"

#include <cwchar>

namespace tarrow {

namespace {

BOOL CALLBACK PedeAbrir(HWND janela, LPARAM)
{
    wchar_t classe[16] = {};
    GetClassNameW(janela, classe, 16);
    // Both senders' windows are a "TFMain"; only the automatic one answers the message.
    if (std::wcscmp(classe, L"TFMain") != 0) return TRUE;
    DWORD processo = 0;
    GetWindowThreadProcessId(janela, &processo);
    // The started program may give the foreground away; the first one may not take it alone.
    AllowSetForegroundWindow(processo);
    // Posted: the first one may be in the middle of a send and answer only after it.
    PostMessageW(janela, MensagemAbrir(), 0, 0);
    return TRUE;
}

}  // namespace

UINT MensagemAbrir()
{
    static const UINT mensagem = RegisterWindowMessageW(L"TarrowKesto.Abrir");
    return mensagem;
}

TInstanciaUnica::TInstanciaUnica(const wchar_t* nome)
{
    SetLastError(ERROR_SUCCESS);
    mutex_ = CreateMutexW(nullptr, FALSE, nome);
    // Another user's program in this session may hold it with rights that refuse us: it is there.
    const DWORD erro = GetLastError();
    primeira_ = mutex_ != nullptr ? erro != ERROR_ALREADY_EXISTS : erro != ERROR_ACCESS_DENIED;
}

TInstanciaUnica::~TInstanciaUnica()
{
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

void TInstanciaUnica::TrazPrimeira() const { EnumWindows(PedeAbrir, 0); }

}  // namespace tarrow
