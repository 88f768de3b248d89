// The two windows' programs as a store starts them: the program files themselves, from their own
// folder (the Startup entry, the Start menu), over a store on the test server.
#include "tests/support/DllsPlantadas.h"
#include "tests/ui/MensagensGravadas.h"
#include "tests/ui/win32/Win32Harness.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <optional>

namespace tarrow::test {
namespace {

struct TBusca {
    DWORD Processo;
    bool Achou = false;
};

BOOL CALLBACK OlhaJanela(HWND janela, LPARAM parametro)
{
    auto* busca = reinterpret_cast<TBusca*>(parametro);
    DWORD processo = 0;
    GetWindowThreadProcessId(janela, &processo);
    if (processo == busca->Processo && IsWindowVisible(janela)) busca->Achou = true;
    return !busca->Achou;
}

// Whether a top-level window of the process becomes visible within a minute, while it runs.
bool MostraUmaJanela(DWORD processo, HANDLE handle)
{
    for (int i = 0; i < 600; ++i) {
        TBusca busca{processo};
        EnumWindows(OlhaJanela, reinterpret_cast<LPARAM>(&busca));
        if (busca.Achou) return true;
        if (WaitForSingleObject(handle, 100) == WAIT_OBJECT_0) return false;
    }
    return false;
}

// The store's users may create files in the programs' folder. DLLs planted there under the names
// of the system's DLLs the programs use that are not known DLLs are not loaded by a start-up, the
// automatic sender's reading of its own version included.
TEST(ProgramasWin32, NeitherProgramLoadsADllPlantedBesideItWhenItStarts)
{
    const char* antes = std::getenv("TARROW_INTERNET_HOST");
    const std::optional<std::string> hostAnterior = antes ? std::optional<std::string>(antes) : std::nullopt;
    // Nothing listens there: the start-up ends at once in its box about the missing connection.
    _putenv_s("TARROW_INTERNET_HOST", kSemInternet);
    for (const std::string programa : {TARROW_AUTOMATICO_PATH, TARROW_MANUAL_PATH}) {
        SCOPED_TRACE(programa);
        TLojaSemServico loja;
        const TDllsPlantadas plantadas(programa, loja.Diretorio.Path());
        std::string copia = plantadas.Programa();
        for (char& c : copia)
            if (c == '/') c = '\\';
        std::string linha = "\"" + copia + "\"";
        STARTUPINFOA partida{};
        partida.cb = sizeof partida;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessA(copia.c_str(), linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &partida, &info))
            << GetLastError();
        // The start-up is over once a window of the program shows (the box it opened about the
        // connection, or its window) and its thread waits for input.
        EXPECT_TRUE(MostraUmaJanela(info.dwProcessId, info.hProcess)) << "no window in a minute";
        EXPECT_EQ(WaitForInputIdle(info.hProcess, 60000), 0u);
        DWORD status = 0;
        GetExitCodeProcess(info.hProcess, &status);
        EXPECT_EQ(status, static_cast<DWORD>(STILL_ACTIVE)) << "it ended during its start-up";
        EXPECT_EQ(plantadas.Carregadas(), std::vector<std::string>{});
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    _putenv_s("TARROW_INTERNET_HOST", hostAnterior ? hostAnterior->c_str() : "");
}

}  // namespace
}  // namespace tarrow::test
