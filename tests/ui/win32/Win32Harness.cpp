#include "tests/ui/win32/Win32Harness.h"

#include "relay/Funcoes.h"
#include "ui/win32/JanelaPrincipal.h"
#include "ui/win32/Texto.h"

#include <map>

namespace tarrow::test {

std::string TextoDe(HWND janela)
{
    std::wstring texto(static_cast<std::size_t>(GetWindowTextLengthW(janela)) + 1, L'\0');
    texto.resize(static_cast<std::size_t>(GetWindowTextW(janela, texto.data(), static_cast<int>(texto.size()))));
    return Estreito(texto);
}

TRetangulo PosicaoNoPai(HWND controle)
{
    RECT r;
    GetWindowRect(controle, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(controle), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool Visivel(HWND controle) { return (GetWindowLongPtrW(controle, GWL_STYLE) & WS_VISIBLE) != 0; }

void ProcessaPor(DWORD milissegundos)
{
    const ULONGLONG fim = GetTickCount64() + milissegundos;
    while (GetTickCount64() < fim) {
        TJanelaPrincipal::ProcessaMensagens();
        Sleep(5);
    }
}

TPixels PixelsDoIcone(HICON icone)
{
    TPixels p;
    ICONINFO info{};
    if (!GetIconInfo(icone, &info)) return p;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    p.Lado = bitmap.bmWidth;
    const auto le = [&](HBITMAP origem) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(p.Lado * p.Lado));
        BITMAPINFO formato{};
        formato.bmiHeader.biSize = sizeof(formato.bmiHeader);
        formato.bmiHeader.biWidth = p.Lado;
        formato.bmiHeader.biHeight = -p.Lado;  // from the top
        formato.bmiHeader.biPlanes = 1;
        formato.bmiHeader.biBitCount = 32;
        formato.bmiHeader.biCompression = BI_RGB;
        HDC tela = GetDC(nullptr);
        GetDIBits(tela, origem, 0, static_cast<UINT>(p.Lado), pixels.data(), &formato, DIB_RGB_COLORS);
        ReleaseDC(nullptr, tela);
        for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
        return pixels;
    };
    p.Cor = le(info.hbmColor);
    for (std::uint32_t m : le(info.hbmMask)) p.Transparente.push_back(m != 0);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return p;
}

TLojaSemServico::TLojaSemServico() : Servidor(TTestServer::FromEnvironment()), Banco(Servidor)
{
    Banco.Run(StoreSchemaSql());
    Diretorio.Write("sistema_kesto.ini", "[ip]\r\ndatabase=" + Banco.Name() + "\r\nlocal=" + Servidor.Host +
                                             "\r\nsenha=" + Cripto("E", Servidor.Password, "QXR") +
                                             "\r\n[FilialMatriz]\r\nCodLogica=12\r\n");
    Diretorio.Write("Tarrow.conf", "[WebService]\r\nURL=http://127.0.0.1:9/van.asmx\r\n");
}

TOperador::TOperador(TResposta resposta)
    : thread_(GetCurrentThreadId()),
      resposta_(resposta ? std::move(resposta) : [](const TCaixaReal& c, int) { return c.BotaoPadrao; }),
      observador_([this] { Observa(); })
{
}

TOperador::~TOperador()
{
    fim_ = true;
    observador_.join();
}

std::vector<TCaixaReal> TOperador::Vistas() const
{
    std::lock_guard<std::mutex> guarda(trava_);
    return vistas_;
}

namespace {

BOOL CALLBACK JuntaCaixa(HWND janela, LPARAM lista)
{
    wchar_t classe[16] = {};
    GetClassNameW(janela, classe, 16);
    if (std::wstring(classe) == L"#32770" && IsWindowVisible(janela))
        reinterpret_cast<std::vector<HWND>*>(lista)->push_back(janela);
    return TRUE;
}

// The box's text lies in its one static control that has a caption.
std::string TextoDaCaixa(HWND caixa)
{
    std::string texto;
    for (HWND filho = GetWindow(caixa, GW_CHILD); filho != nullptr; filho = GetWindow(filho, GW_HWNDNEXT)) {
        wchar_t classe[16] = {};
        GetClassNameW(filho, classe, 16);
        if (_wcsicmp(classe, L"Static") == 0 && GetWindowTextLengthW(filho) > 0) texto = TextoDe(filho);
    }
    return texto;
}

// The box's picture is its static control that shows an icon: the system's shared one.
std::optional<TIconeMensagem> IconeDaCaixa(HWND caixa)
{
    for (HWND filho = GetWindow(caixa, GW_CHILD); filho != nullptr; filho = GetWindow(filho, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(filho, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        const auto icone = reinterpret_cast<HICON>(SendMessageW(filho, STM_GETICON, 0, 0));
        // IDI_ERROR, IDI_WARNING, IDI_INFORMATION and IDI_QUESTION, as wide resource names.
        const std::pair<WORD, TIconeMensagem> sistema[] = {{32513, TIconeMensagem::Erro},
                                                           {32515, TIconeMensagem::Aviso},
                                                           {32516, TIconeMensagem::Informacao},
                                                           {32514, TIconeMensagem::Pergunta}};
        for (const auto& [nome, qual] : sistema)
            if (icone != nullptr && icone == LoadIconW(nullptr, MAKEINTRESOURCEW(nome))) return qual;
    }
    return std::nullopt;
}

// Enter presses the push button that has the focus (a box gives it to its default button), else
// the one the box names as its default.
int BotaoDoEnter(HWND caixa, DWORD thread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr && GetParent(info.hwndFocus) == caixa &&
        (SendMessageW(info.hwndFocus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0)
        return GetDlgCtrlID(info.hwndFocus);
    const LRESULT padrao = SendMessageW(caixa, DM_GETDEFID, 0, 0);
    return HIWORD(padrao) == DC_HASDEFID ? LOWORD(padrao) : 0;
}

}  // namespace

void TOperador::Observa()
{
    std::map<HWND, TCaixaReal> lidas;
    std::set<HWND> respondidas;
    while (!fim_) {
        std::vector<HWND> abertas;
        EnumThreadWindows(thread_, JuntaCaixa, reinterpret_cast<LPARAM>(&abertas));
        for (HWND caixa : abertas) {
            auto lida = lidas.find(caixa);
            if (lida == lidas.end()) {
                TCaixaReal nova{TextoDaCaixa(caixa), TextoDe(caixa), BotaoDoEnter(caixa, thread_),
                                IconeDaCaixa(caixa)};
                lida = lidas.emplace(caixa, nova).first;
                std::lock_guard<std::mutex> guarda(trava_);
                vistas_.push_back(nova);
            }
            if (respondidas.count(caixa) != 0) continue;  // closing
            const int botao = resposta_(lida->second, static_cast<int>(abertas.size() - respondidas.size()));
            if (botao == 0) continue;
            PostMessageW(caixa, WM_COMMAND, MAKEWPARAM(botao, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(caixa, botao)));
            respondidas.insert(caixa);
        }
        for (auto i = lidas.begin(); i != lidas.end();) {
            if (IsWindow(i->first)) {
                ++i;
                continue;
            }
            respondidas.erase(i->first);
            i = lidas.erase(i);
        }
        Sleep(10);
    }
}

}  // namespace tarrow::test
