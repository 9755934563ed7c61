#include "port/portlib/PortLibraryProblem.h"

#include "port/PortAddressText.h"

namespace kovir {

namespace {

std::string AttemptText(const LookupAttempt& attempt)
{
    switch (attempt.outcome) {
    case LookupOutcome::Missing:
        return attempt.path + ": datoteka ne postoji.";
    case LookupOutcome::NotLoadable:
        return attempt.path + ": datoteka postoji, ali je nije moguće učitati (" + attempt.reason +
               "). Biblioteka mora biti iste širine kao program.";
    case LookupOutcome::NoEntryPoint:
        return attempt.path + ": učitana je, ali nema ulaznu tačku " + attempt.entry +
               ", pa nije biblioteka za pristup portu.";
    }
    return attempt.path;
}

} // namespace

std::string DescribeNoPortLibrary(std::int16_t address, const std::vector<LookupAttempt>& attempts,
                                  int pointerBits)
{
    std::string text = "Paralelni port " + HexAddress(address) +
                       " nije dostupan: nije pronađena biblioteka za pristup portu. Ovo je " +
                       std::to_string(pointerBits) + "-bitni program. Traženo je:";
    for (const LookupAttempt& attempt : attempts) {
        text += "\n- " + AttemptText(attempt);
    }
    if (pointerBits == 64) {
        text += "\nStavite inpoutx64.dll (64-bitnu biblioteku InpOut) pored programa i pokrenite "
                "program jednom kao administrator, da bi se instalirao njen upravljački program. "
                "IO.DLL postoji samo kao 32-bitna biblioteka: uz nju koristite 32-bitni program.";
    } else {
        text += "\nStavite IO.DLL ili inpout32.dll pored programa. Uz inpout32.dll program "
                "pokrenite jednom kao administrator, da bi se instalirao njen upravljački program.";
    }
    return text;
}

std::string DescribePortInUse(std::int16_t address)
{
    return "Paralelni port " + HexAddress(address) +
           " je zauzet: njime već upravlja drugi primerak ovog programa. Zatvorite ga i "
           "pokrenite program ponovo.";
}

} // namespace kovir
