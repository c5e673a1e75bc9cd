// FormatCard and UnformatCard: a key made anew in the reader, or made blank.
#include "crypto_provider.h"
#include "key_content.h"
#include "reader_object.h"

DWORD ReaderObject::Format(const std::string& label, const std::string& pin, const std::string& puk)
{
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    Look(true);
    if (sight_.presence == KeyPresence::ReaderGone) return SCARD_E_READER_UNAVAILABLE;
    if (place_.drive && sight_.presence == KeyPresence::Absent && GetFileAttributesA(place_.folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return SCARD_E_NO_SMARTCARD;  // no medium to put a key on

    CryptoRandom random;
    KeyFile key;
    if (sight_.presence == KeyPresence::Present && sight_.problem == KeyFileProblem::None) {
        key = sight_.key;  // a card keeps its id and size when formatted again
    } else {
        uint8_t id[kCardIdSize];
        if (!random.Fill(id, sizeof id)) return GetLastError();
        key = MakeBlankKey(id, kDefaultCapacity);
    }
    FormatOptions options;
    options.label = label;
    options.pin = pin;
    options.puk = puk;
    options.cipher = BestAvailableCipher();
    if (!pin.empty() && options.cipher == kCipherNone) return DWORD(NTE_PROV_TYPE_NOT_DEF);
    CryptoCipher cipher;
    const ContentError formatted = FormatKey(key, options, random, cipher);
    if (formatted != ContentError::None) return ContentErrorCode(formatted);
    EndConnection();
    return Commit(key);
}

DWORD ReaderObject::Unformat()
{
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    Look(true);
    if (sight_.presence == KeyPresence::ReaderGone) return SCARD_E_READER_UNAVAILABLE;
    if (sight_.presence == KeyPresence::Absent) return SCARD_E_NO_SMARTCARD;
    if (sight_.presence == KeyPresence::Unreadable) return sight_.error;
    if (sight_.problem != KeyFileProblem::None) return ERROR_FILE_CORRUPT;
    KeyFile key = sight_.key;
    UnformatKey(key);
    EndConnection();
    return Commit(key);
}
