#include "port/portlib/PortLibraryProblem.h"

#include "port/PortAddressText.h"

namespace kovir {

namespace {

// What the operator can do about the commonest reasons a library does not load.
std::string LoadFailureHint(unsigned long error)
{
    switch (error) {
    case 193: // ERROR_BAD_EXE_FORMAT
        return " Biblioteka mora biti iste širine kao program.";
    case 126: // ERROR_MOD_NOT_FOUND
        return " Nedostaje biblioteka koja je njoj potrebna; stavite je pored nje.";
    case 5: // ERROR_ACCESS_DENIED
        return " Pristup datoteci je odbijen.";
    case 1114: // ERROR_DLL_INIT_FAILED
        return " Biblioteka nije uspela da se pokrene.";
    default:
        return "";
    }
}

std::string AttemptText(const LookupAttempt& attempt)
{
    switch (attempt.outcome) {
    case LookupOutcome::Missing:
        return attempt.path + ": datoteka ne postoji.";
    case LookupOutcome::NotLoadable:
        return attempt.path + ": datoteka postoji, ali je nije moguće učitati (" + attempt.reason +
               ")." + LoadFailureHint(attempt.error);
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

std::string DescribeInpOutDriverClosed(std::int16_t address, const std::string& path)
{
    return "Paralelni port " + HexAddress(address) + " nije dostupan: biblioteka " + path +
           " je učitana, ali njen upravljački program nije otvoren, pa ne bi ništa upisala na "
           "port. Pokrenite program jednom kao administrator (desni klik, \"Pokreni kao "
           "administrator\"), da bi se upravljački program instalirao, a zatim ga pokrenite "
           "ponovo kao i obično. Ako ni tada ne proradi, na Windows 10 i 11 ga najverovatnije "
           "odbija \"Integritet memorije\" (Memory Integrity), u odeljku \"Izolacija jezgra\" "
           "(Core isolation) aplikacije Windows bezbednost: ponovno pokretanje kao administrator "
           "tu ne pomaže. Na takvom računaru koristite USB pločicu (FT232R ili FT232H), kojoj "
           "upravljački program porta nije potreban; da li ćete to podešavanje isključiti, "
           "odlučujete sami.";
}

std::string DescribePortInUse(std::int16_t address)
{
    return "Paralelni port " + HexAddress(address) +
           " je zauzet: njime već upravlja drugi primerak ovog programa. Zatvorite ga i "
           "pokrenite program ponovo.";
}

} // namespace kovir
