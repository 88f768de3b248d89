#include "tests/support/DllsPlantadas.h"
#include "tests/support/Wine.h"

#include <windows.h>

#include <filesystem>

#ifndef TARROW_DLL_PLANTADA
#error "TARROW_DLL_PLANTADA comes from the build"
#endif

namespace tarrow::test {

namespace {

// The build names its files by their Linux paths, which Wine reaches through its drive Z:.
std::filesystem::path DaConstrucao(const std::string& arquivo)
{
    return arquivo.starts_with("/") ? std::filesystem::path("Z:" + arquivo) : std::filesystem::path(arquivo);
}

}  // namespace

TDllsPlantadas::TDllsPlantadas(const std::string& programa, const std::string& pasta) : pasta_(pasta)
{
    namespace fs = std::filesystem;
    // Wine's own user32 imports version.dll, and Wine looks for it beside the program when told to
    // prefer a DLL found there, before any code of ours runs; Windows' user32, a known DLL, takes
    // its imports from the system folder. So Wine cannot show version.dll's case.
    nomes_ = RunsUnderWine() ? std::vector<std::string>{"wininet.dll", "crypt32.dll"}
                             : std::vector<std::string>{"version.dll", "wininet.dll", "crypt32.dll"};
    const fs::path origem = DaConstrucao(programa);
    programa_ = pasta + origem.filename().string();
    fs::copy_file(origem, programa_, fs::copy_options::overwrite_existing);
    for (const std::string& nome : nomes_)
        fs::copy_file(DaConstrucao(TARROW_DLL_PLANTADA), pasta + nome, fs::copy_options::overwrite_existing);
    if (!RunsUnderWine()) return;
    chaveWine_ = "Software\\Wine\\AppDefaults\\" + origem.filename().string();
    HKEY chave = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (chaveWine_ + "\\DllOverrides").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &chave, nullptr) != ERROR_SUCCESS)
        return;
    static const char kNativas[] = "native,builtin";
    for (const std::string& nome : nomes_)
        RegSetValueExA(chave, nome.substr(0, nome.size() - 4).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(kNativas), sizeof kNativas);
    RegCloseKey(chave);
}

TDllsPlantadas::~TDllsPlantadas()
{
    if (chaveWine_.empty()) return;
    RegDeleteKeyA(HKEY_CURRENT_USER, (chaveWine_ + "\\DllOverrides").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, chaveWine_.c_str());
}

std::vector<std::string> TDllsPlantadas::Carregadas() const
{
    std::vector<std::string> carregadas;
    for (const std::string& nome : nomes_)
        if (std::filesystem::exists(pasta_ + nome + ".carregada")) carregadas.push_back(nome);
    return carregadas;
}

}  // namespace tarrow::test
