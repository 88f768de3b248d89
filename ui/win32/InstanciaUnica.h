#pragma once
// One TARROW per session: a second start finds the first one's named mutex in the session's own
// namespace ("Local\..."), brings the first one's window forward as its icon's "Abrir" does and
// ends, instead of adding a second icon. Other sessions have their own namespace and their own
// TARROW; the manual sender takes no part; sends are still kept apart by the database's lock.

#include <windows.h>

namespace tarrow {

inline constexpr const wchar_t* kInstanciaTarrow = L"Local\\TarrowKesto.TARROW";

// What a second start sends the automatic sender's window: its "Abrir".
UINT MensagemAbrir();

class TInstanciaUnica {
public:
    explicit TInstanciaUnica(const wchar_t* nome);
    ~TInstanciaUnica();
    TInstanciaUnica(const TInstanciaUnica&) = delete;
    TInstanciaUnica& operator=(const TInstanciaUnica&) = delete;

    // False when another holds the name in this session.
    bool Primeira() const noexcept { return primeira_; }
    // Asks the first one's window to come forward; it does once its message loop runs.
    void TrazPrimeira() const;

private:
    HANDLE mutex_;
    bool primeira_;
};

}  // namespace tarrow
