#include "ui/win32/Controles.h"

#include "ui/Desenho.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

namespace tarrow {

namespace {

HFONT FonteDe(HWND janela) { return reinterpret_cast<HFONT>(GetWindowLongPtrW(janela, 0)); }

std::wstring TextoDe(HWND janela)
{
    std::wstring texto(static_cast<std::size_t>(GetWindowTextLengthW(janela)) + 1, L'\0');
    texto.resize(static_cast<std::size_t>(GetWindowTextW(janela, texto.data(), static_cast<int>(texto.size()))));
    return texto;
}

LRESULT CALLBACK ProcedimentoPainel(HWND janela, UINT mensagem, WPARAM w, LPARAM l)
{
    switch (mensagem) {
    case WM_SETFONT:
        SetWindowLongPtrW(janela, 0, static_cast<LONG_PTR>(w));
        if (LOWORD(l) != 0) InvalidateRect(janela, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(FonteDe(janela));
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(janela, mensagem, w, l);
        InvalidateRect(janela, nullptr, TRUE);
        return r;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(janela, &ps);
        RECT r;
        GetClientRect(janela, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        const std::wstring texto = TextoDe(janela);
        if (!texto.empty()) {
            HGDIOBJ antes = SelectObject(dc, FonteDe(janela));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            DrawTextW(dc, texto.c_str(), static_cast<int>(texto.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, antes);
        }
        EndPaint(janela, &ps);
        return 0;
    }
    // The fields inside report to the panel; the window that owns the panel handles them.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return SendMessageW(GetParent(janela), mensagem, w, l);
    default: return DefWindowProcW(janela, mensagem, w, l);
    }
}

struct TEstadoGauge {
    int Minimo = 0;
    int Maximo = 100;
    int Posicao = 0;
    HFONT Fonte = nullptr;
};

TEstadoGauge* EstadoDe(HWND janela) { return reinterpret_cast<TEstadoGauge*>(GetWindowLongPtrW(janela, 0)); }

std::wstring TextoDoGauge(const TEstadoGauge& e)
{
    return std::to_wstring(manual::Percentual(e.Minimo, e.Maximo, e.Posicao)) + L"%";
}

void PintaGauge(HWND janela, const TEstadoGauge& e)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(janela, &ps);
    RECT r;
    GetClientRect(janela, &r);
    const std::wstring texto = TextoDoGauge(e);
    const long long faixa = static_cast<long long>(e.Maximo) - e.Minimo;
    const long long feito = faixa <= 0 ? 0 : (static_cast<long long>(e.Posicao) - e.Minimo) * (r.right - r.left) / faixa;
    RECT cheio = r, vazio = r;
    cheio.right = r.left + static_cast<LONG>(feito);
    vazio.left = cheio.right;

    HGDIOBJ antes = SelectObject(dc, e.Fonte);
    SetBkMode(dc, TRANSPARENT);
    // The percentage in the bar's colours: dark over the empty part, light over the done part.
    FillRect(dc, &vazio, GetSysColorBrush(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    IntersectClipRect(dc, vazio.left, vazio.top, vazio.right, vazio.bottom);
    DrawTextW(dc, texto.c_str(), static_cast<int>(texto.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectClipRgn(dc, nullptr);
    FillRect(dc, &cheio, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    IntersectClipRect(dc, cheio.left, cheio.top, cheio.right, cheio.bottom);
    DrawTextW(dc, texto.c_str(), static_cast<int>(texto.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectClipRgn(dc, nullptr);
    SelectObject(dc, antes);
    EndPaint(janela, &ps);
}

LRESULT CALLBACK ProcedimentoGauge(HWND janela, UINT mensagem, WPARAM w, LPARAM l)
{
    if (mensagem == WM_NCCREATE) {
        SetWindowLongPtrW(janela, 0, reinterpret_cast<LONG_PTR>(new TEstadoGauge));
        return DefWindowProcW(janela, mensagem, w, l);
    }
    TEstadoGauge* e = EstadoDe(janela);
    if (e == nullptr) return DefWindowProcW(janela, mensagem, w, l);
    switch (mensagem) {
    case WM_NCDESTROY:
        std::unique_ptr<TEstadoGauge>(e).reset();
        SetWindowLongPtrW(janela, 0, 0);
        return 0;
    case WM_SETFONT: e->Fonte = reinterpret_cast<HFONT>(w); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e->Fonte);
    case PBM_SETRANGE32:
        e->Minimo = static_cast<int>(w);
        e->Maximo = static_cast<int>(l);
        InvalidateRect(janela, nullptr, FALSE);
        return 0;
    case PBM_GETRANGE: {
        if (l != 0) {
            auto* faixa = reinterpret_cast<PBRANGE*>(l);
            faixa->iLow = e->Minimo;
            faixa->iHigh = e->Maximo;
        }
        return w != 0 ? e->Minimo : e->Maximo;
    }
    case PBM_SETPOS: {
        const int antes = e->Posicao;
        e->Posicao = static_cast<int>(w);
        InvalidateRect(janela, nullptr, FALSE);
        return antes;
    }
    case PBM_GETPOS: return e->Posicao;
    // What it prints, for whoever reads the window's text (a screen reader, a test).
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(TextoDoGauge(*e).size());
    case WM_GETTEXT: {
        const std::wstring texto = TextoDoGauge(*e);
        if (w == 0) return 0;
        const std::size_t n = std::min<std::size_t>(texto.size(), static_cast<std::size_t>(w) - 1);
        auto* destino = reinterpret_cast<wchar_t*>(l);
        texto.copy(destino, n);
        destino[n] = L'\0';
        return static_cast<LRESULT>(n);
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PintaGauge(janela, *e); return 0;
    default: return DefWindowProcW(janela, mensagem, w, l);
    }
}

LRESULT CALLBACK ProcedimentoFiltro(HWND campo, UINT mensagem, WPARAM w, LPARAM l)
{
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(campo, GWLP_USERDATA));
    if (mensagem == WM_CHAR && !(w >= L'0' && w <= L'9') && w != VK_BACK && w != VK_RETURN) return 0;
    return CallWindowProcW(original, campo, mensagem, w, l);
}

}  // namespace

void RegistraClasses()
{
    static const bool registradas = [] {
        INITCOMMONCONTROLSEX controles{sizeof(controles), ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controles);
        WNDCLASSEXW classe{};
        classe.cbSize = sizeof(classe);
        classe.hInstance = GetModuleHandleW(nullptr);
        classe.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        classe.cbWndExtra = sizeof(LONG_PTR);
        classe.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        classe.lpfnWndProc = ProcedimentoPainel;
        classe.lpszClassName = kClassePainel;
        RegisterClassExW(&classe);
        classe.hbrBackground = nullptr;
        classe.lpfnWndProc = ProcedimentoGauge;
        classe.lpszClassName = kClasseGauge;
        RegisterClassExW(&classe);
        return true;
    }();
    (void)registradas;
}

void FiltraDigitos(HWND campo)
{
    const LONG_PTR original = SetWindowLongPtrW(campo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProcedimentoFiltro));
    SetWindowLongPtrW(campo, GWLP_USERDATA, original);
}

}  // namespace tarrow
