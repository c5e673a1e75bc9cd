#include "reader_table.h"

#include <deque>

#include "critical_section.h"

namespace {
struct Entry {
    ReaderObject* reader;
    LONG uses;  // calls running on it, plus one while the handle is open
    bool open;
};

CriticalSection g_tableLock;
std::vector<Entry> g_entries;

CriticalSection g_readersLock;
std::vector<ReaderPlace> g_readers;
bool g_scanned = false;
std::deque<std::string> g_names;  // deque: elements never move, so their texts stay put
std::vector<std::string> g_baseline;
bool g_baselineSet = false;

std::vector<std::string> NamesOf(const std::vector<ReaderPlace>& readers)
{
    std::vector<std::string> names;
    for (const ReaderPlace& place : readers) names.push_back(place.name);
    return names;
}

// Caller holds g_readersLock.
void Scan()
{
    g_readers = ScanReaders();
    g_scanned = true;
    if (!g_baselineSet) {
        g_baseline = NamesOf(g_readers);
        g_baselineSet = true;
    }
}

const char* Interned(const std::string& name)
{
    for (const std::string& known : g_names)
        if (known == name) return known.c_str();
    g_names.push_back(name);
    return g_names.back().c_str();
}

ReaderObject* Acquire(void* handle)
{
    Locked lock(g_tableLock);
    for (Entry& entry : g_entries) {
        if (entry.reader == handle && entry.open) {
            ++entry.uses;
            return entry.reader;
        }
    }
    return nullptr;
}

void Release(ReaderObject* reader)
{
    ReaderObject* doomed = nullptr;
    {
        Locked lock(g_tableLock);
        for (size_t i = 0; i < g_entries.size(); ++i) {
            if (g_entries[i].reader != reader) continue;
            if (--g_entries[i].uses == 0) {
                doomed = reader;
                g_entries.erase(g_entries.begin() + i);
            }
            break;
        }
    }
    delete doomed;
}
}  // namespace

ReaderUse::ReaderUse(void* handle) : reader_(Acquire(handle))
{
    if (reader_) reader_->Lock().Enter();
}

ReaderUse::~ReaderUse()
{
    if (!reader_) return;
    reader_->Lock().Leave();
    Release(reader_);
}

const char* ReaderNameAt(int index, bool scanAgain)
{
    Locked lock(g_readersLock);
    if (scanAgain || !g_scanned) Scan();
    if (index < 0 || size_t(index) >= g_readers.size()) return nullptr;
    return Interned(g_readers[index].name);
}

void* OpenReaderHandle(const char* name, DWORD& error)
{
    ReaderPlace place;
    bool found = false;
    {
        // Looked up afresh: the readers folder may have moved since the last scan.
        Locked lock(g_readersLock);
        Scan();
        for (const ReaderPlace& candidate : g_readers) {
            if (lstrcmpiA(candidate.name.c_str(), name) == 0) {
                place = candidate;
                found = true;
                break;
            }
        }
    }
    if (!found) {
        error = SCARD_E_UNKNOWN_READER;
        return nullptr;
    }
    ReaderObject* reader = new ReaderObject(place);
    Locked lock(g_tableLock);
    g_entries.push_back(Entry{reader, 1, true});
    return reader;
}

bool CloseReaderHandle(void* handle)
{
    ReaderObject* reader = Acquire(handle);
    if (!reader) return false;
    {
        reader->Lock().Enter();
        reader->EndConnection();
        reader->Lock().Leave();
        Locked lock(g_tableLock);
        for (Entry& entry : g_entries) {
            if (entry.reader == reader && entry.open) {
                entry.open = false;
                --entry.uses;  // the handle's own use
                break;
            }
        }
    }
    Release(reader);
    return true;
}

bool ReaderSetChanged()
{
    Locked lock(g_readersLock);
    Scan();
    const std::vector<std::string> names = NamesOf(g_readers);
    if (names == g_baseline) return false;
    g_baseline = names;
    return true;
}

void EndConnections(bool all)
{
    std::vector<void*> handles;
    {
        Locked lock(g_tableLock);
        for (const Entry& entry : g_entries)
            if (entry.open) handles.push_back(entry.reader);
    }
    for (void* handle : handles) {
        ReaderUse use(handle);
        if (use && (all || use->ConnectionKept())) use->EndConnection();
    }
}

void FreeAllReaders()
{
    std::vector<Entry> entries;
    {
        Locked lock(g_tableLock);
        entries.swap(g_entries);
    }
    for (const Entry& entry : entries) delete entry.reader;
}
