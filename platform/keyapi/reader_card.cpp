// Looking at the key in a reader, and the connection InitCard opens to it.
#include <cstring>

#include "crypto_provider.h"
#include "key_content.h"
#include "key_rules.h"
#include "reader_object.h"
#include "secure_memory.h"

ReaderObject::ReaderObject(const ReaderPlace& place) : place_(place), keyPath_(place.KeyPath()) {}

ReaderObject::~ReaderObject() { EndConnection(); }

void ReaderObject::Look(bool readAgain)
{
    FileStamp stamp;
    DWORD error = 0;
    KeyPresence presence = KeyPresence::Present;
    if (!readAgain) {
        presence = StampKeyFile(keyPath_, place_.drive, stamp, error);
        if (presence == KeyPresence::Present && sight_.valid && sight_.stamped && stamp == sight_.stamp) return;
    }
    Sight seen;
    seen.valid = true;
    if (presence == KeyPresence::Present) {
        std::vector<uint8_t> bytes;
        presence = ReadKeyFile(keyPath_, place_.drive, bytes, stamp, error);
        if (presence == KeyPresence::Present) seen.problem = ParseKeyFile(bytes.data(), bytes.size(), seen.key);
        seen.stamped = presence == KeyPresence::Present;
        seen.stamp = stamp;
        WipeBytes(bytes);
    }
    seen.presence = presence;
    seen.error = error;
    sight_ = std::move(seen);
    ++sightVersion_;
}

int ReaderObject::InitCard(DWORD appId, DWORD& error)
{
    Look(false);
    error = 0;
    int status = 0;
    switch (sight_.presence) {
    case KeyPresence::ReaderGone:
        error = SCARD_E_READER_UNAVAILABLE;
        status = kStatusReaderError;
        break;
    case KeyPresence::Absent:
        error = SCARD_E_NO_SMARTCARD;
        status = kStatusNoKey;
        break;
    case KeyPresence::Unreadable:
        error = sight_.error;
        status = kStatusKeyError;
        break;
    case KeyPresence::Present:
        if (sight_.problem != KeyFileProblem::None) {
            error = ERROR_FILE_CORRUPT;
            status = kStatusKeyError;
        }
        break;
    }
    if (status < 0) {
        EndConnection();
        return status;
    }
    const KeyFile& key = sight_.key;
    // The kept connection goes on, poll after poll, while the same key stays in the reader.
    if (ConnectionKept() && std::memcmp(connection_.cardId, key.cardId, kCardIdSize) == 0) {
        connection_.appId = appId;
        return kStatusUnchanged;
    }
    EndConnection();
    connection_.open = true;
    connection_.appId = appId;
    std::memcpy(connection_.cardId, key.cardId, kCardIdSize);
    return CardStatusOf(key);
}

void ReaderObject::CloseCard(bool keep)
{
    if (!connection_.open) {
        // "Finished" after the connection was already ended (a refused PIN): remember the
        // key now in the reader, so the next InitCard answers "unchanged" instead of
        // reporting the same key again. Its PIN is not verified on this connection.
        if (keep && sight_.presence == KeyPresence::Present && sight_.problem == KeyFileProblem::None) {
            connection_.open = true;
            connection_.kept = true;
            std::memcpy(connection_.cardId, sight_.key.cardId, kCardIdSize);
        }
        return;
    }
    if (keep)
        connection_.kept = true;
    else
        EndConnection();
}

void ReaderObject::EndConnection()
{
    WipeBytes(connection_.plain);
    connection_ = Connection();
}

DWORD ReaderObject::ConnectedKey(bool readAgain, const KeyFile*& key)
{
    if (!connection_.open) return SCARD_E_NOT_READY;
    Look(readAgain);
    switch (sight_.presence) {
    case KeyPresence::ReaderGone: return SCARD_E_READER_UNAVAILABLE;
    case KeyPresence::Absent: return SCARD_W_REMOVED_CARD;
    case KeyPresence::Unreadable: return sight_.error ? sight_.error : ERROR_READ_FAULT;
    case KeyPresence::Present: break;
    }
    if (sight_.problem != KeyFileProblem::None) return ERROR_FILE_CORRUPT;
    // Another key in the reader is another card: this connection is over.
    if (std::memcmp(connection_.cardId, sight_.key.cardId, kCardIdSize) != 0) return SCARD_W_REMOVED_CARD;
    key = &sight_.key;
    return 0;
}

DWORD ReaderObject::Access(bool readAgain, const KeyFile*& key)
{
    const DWORD error = ConnectedKey(readAgain, key);
    if (error) return error;
    if (!key->Formatted()) return SCARD_E_CARD_UNSUPPORTED;
    if (!key->HasPin()) return 0;
    if (key->pinLeft == 0) return SCARD_W_CHV_BLOCKED;
    // Verified means: the PIN of this very seal; a PIN changed elsewhere must be given again.
    if (!connection_.verified || std::memcmp(connection_.verifiedSalt, key->pin.salt, kSaltSize) != 0)
        return SCARD_W_SECURITY_VIOLATION;
    return 0;
}

const DataKey* ReaderObject::ConnectionDataKey(const KeyFile& key) const
{
    return key.HasPin() && connection_.verified ? &connection_.dataKey : nullptr;
}

void ReaderObject::Verified(const KeyFile& key, const DataKey& dataKey)
{
    connection_.verified = true;
    std::memcpy(connection_.verifiedSalt, key.pin.salt, kSaltSize);
    connection_.dataKey = dataKey;
}

DWORD ReaderObject::Commit(const KeyFile& key)
{
    std::vector<uint8_t> bytes = SerializeKeyFile(key);
    const DWORD error = ReplaceKeyFile(keyPath_, bytes);
    ++sightVersion_;
    if (error) {
        sight_.valid = false;
        return error;
    }
    // What was written is what is there: no need to read it back.
    Sight written;
    DWORD stampError = 0;
    written.presence = StampKeyFile(keyPath_, place_.drive, written.stamp, stampError);
    written.valid = written.stamped = written.presence == KeyPresence::Present;
    written.key = key;
    sight_ = std::move(written);
    return 0;
}

DWORD ContentErrorCode(ContentError error)
{
    switch (error) {
    case ContentError::None: return 0;
    case ContentError::NoSpace: return SCARD_E_NO_MEMORY;
    case ContentError::BadArgument: return SCARD_E_INVALID_PARAMETER;
    case ContentError::NoRandom:
    case ContentError::CipherFailed: {
        const DWORD windowsError = GetLastError();
        return windowsError ? windowsError : DWORD(NTE_BAD_DATA);
    }
    }
    return ERROR_INVALID_FUNCTION;
}
