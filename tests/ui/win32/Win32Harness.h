#pragma once
// What the Win32 window tests add: the windows driven through their messages in the test's own
// thread, and real message boxes watched from a second thread, which reads what a box says and
// answers it as the operator would.

#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"
#include "tests/ui/MensagensGravadas.h"
#include "ui/Desenho.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tarrow::test {

std::string TextoDe(HWND janela);
// Where a control lies inside its container.
TRetangulo PosicaoNoPai(HWND controle);
// Its own style's visibility, whatever the state of its window.
bool Visivel(HWND controle);
// The thread's messages handled for a while, as the message loop would.
void ProcessaPor(DWORD milissegundos);
// A picture's pixels as 0xRRGGBB, row by row from the top, and its mask (true: transparent).
struct TPixels {
    int Lado = 0;
    std::vector<std::uint32_t> Cor;
    std::vector<bool> Transparente;
    std::uint32_t Em(int x, int y) const { return Cor[static_cast<std::size_t>(y * Lado + x)]; }
};
TPixels PixelsDoIcone(HICON icone);

// A store on the test server and the program directory whose sistema_kesto.ini names it, with
// no web service behind it (Tarrow.conf names a closed loopback port): enough to start a window,
// count and hide, not to send.
class TLojaSemServico {
public:
    TLojaSemServico();
    std::string Sql(const std::string& sql) { return Banco.Run(sql + ";\n"); }

    TTestServer Servidor;
    TScratchDatabase Banco;
    TTempDir Diretorio;
};

// A real box as the operator sees it.
struct TCaixaReal {
    std::string Texto;
    std::string Titulo;
    int BotaoPadrao;  // the button Enter presses
    std::optional<TIconeMensagem> Icone;  // the system's picture the box shows, if one of those
};

// Watches the message boxes of the thread that creates it. Every box is read once; then, as long
// as it is open, resposta says which button to press (0: not yet) given how many are open. By
// default the one Enter would press.
class TOperador {
public:
    using TResposta = std::function<int(const TCaixaReal& caixa, int abertas)>;
    explicit TOperador(TResposta resposta = {});
    ~TOperador();
    TOperador(const TOperador&) = delete;
    TOperador& operator=(const TOperador&) = delete;
    std::vector<TCaixaReal> Vistas() const;

private:
    void Observa();

    DWORD thread_;
    TResposta resposta_;
    std::atomic<bool> fim_{false};
    mutable std::mutex trava_;
    std::vector<TCaixaReal> vistas_;
    std::thread observador_;
};

}  // namespace tarrow::test
