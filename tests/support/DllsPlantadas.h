#pragma once
// Windows: the DLLs a store's user could plant in a program's folder, where the users may create
// files: the system's DLLs the programs use that are not known DLLs, each a copy of a DLL of the
// tests (DllPlantada.cpp) that leaves a mark when it is loaded.

#include <string>
#include <vector>

namespace tarrow::test {

class TDllsPlantadas {
public:
    // Copies the program file into the folder (ending with "/") and plants the DLLs beside it.
    // Under Wine, which otherwise takes its own DLL whatever lies beside a program, Wine is told
    // to prefer the planted ones for that program's name, as Windows would, while this lives
    // (its registry's AppDefaults: a WINEDLLOVERRIDES set here would not reach a program started
    // from here).
    TDllsPlantadas(const std::string& programa, const std::string& pasta);
    ~TDllsPlantadas();
    TDllsPlantadas(const TDllsPlantadas&) = delete;
    TDllsPlantadas& operator=(const TDllsPlantadas&) = delete;

    // The copy of the program, to be started.
    const std::string& Programa() const { return programa_; }
    // version.dll (not under Wine, see the .cpp), wininet.dll, crypt32.dll.
    const std::vector<std::string>& Nomes() const { return nomes_; }
    // Those that were loaded, by the marks they left.
    std::vector<std::string> Carregadas() const;

private:
    std::string pasta_;
    std::string programa_;
    std::string chaveWine_;
    std::vector<std::string> nomes_;
};

}  // namespace tarrow::test
