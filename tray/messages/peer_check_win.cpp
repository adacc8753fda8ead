#include "peer_check_win.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <sddl.h>
#include <wtsapi32.h>

#include <memory>
#include <vector>

#include "unique_handle_win.h"

namespace {

struct WtsMemoryFree {
    void operator()(void* memory) const { WTSFreeMemory(memory); }
};

// The table holds one row per connection direction; sized by the system, retried if it grew.
std::vector<unsigned char> connectionTable() {
    std::vector<unsigned char> table;
    ULONG size = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        table.resize(size);
        const DWORD result = GetExtendedTcpTable(table.empty() ? nullptr : table.data(), &size, FALSE, AF_INET,
                                                 TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == NO_ERROR) return table;
        if (result != ERROR_INSUFFICIENT_BUFFER) break;
        size += 16 * sizeof(MIB_TCPROW_OWNER_PID);
    }
    return {};
}

bool sameEnd(DWORD address, DWORD port, const PeerCheck::Endpoint& end) {
    return ntohl(address) == end.address && ntohs(static_cast<u_short>(port)) == end.port;
}

}  // namespace

std::optional<std::uint32_t> PeerCheck::SystemProcessDirectory::engineEndRow(const Connection& connection) const {
    const std::vector<unsigned char> bytes = connectionTable();
    if (bytes.size() < sizeof(DWORD)) return std::nullopt;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(bytes.data());
    const std::size_t capacity = (bytes.size() - offsetof(MIB_TCPTABLE_OWNER_PID, table)) / sizeof(MIB_TCPROW_OWNER_PID);
    for (std::size_t i = 0; i < table->dwNumEntries && i < capacity; ++i) {
        const MIB_TCPROW_OWNER_PID& row = table->table[i];
        if (sameEnd(row.dwLocalAddr, row.dwLocalPort, connection.engine) &&
            sameEnd(row.dwRemoteAddr, row.dwRemotePort, connection.ours)) {
            return row.dwOwningPid;
        }
    }
    return std::nullopt;
}

std::optional<PeerCheck::Process> PeerCheck::SystemProcessDirectory::process(std::uint32_t pid) const {
    WTS_PROCESS_INFOW* list = nullptr;
    DWORD count = 0;
    if (!WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) return std::nullopt;
    const std::unique_ptr<WTS_PROCESS_INFOW, WtsMemoryFree> owned(list);
    for (DWORD i = 0; i < count; ++i) {
        const WTS_PROCESS_INFOW& entry = list[i];
        if (entry.ProcessId != pid) continue;
        Process process;
        process.pid = pid;
        process.session = entry.SessionId;
        if (entry.pProcessName) process.image = entry.pProcessName;
        wchar_t* sid = nullptr;
        if (entry.pUserSid && ConvertSidToStringSidW(entry.pUserSid, &sid)) {
            const Win::UniqueLocalMemory ownedSid(sid);
            process.userSid = sid;
        }
        return process;
    }
    return std::nullopt;
}

std::uint32_t PeerCheck::SystemProcessDirectory::selfPid() const { return GetCurrentProcessId(); }

const PeerCheck::ProcessDirectory& PeerCheck::systemProcessDirectory() {
    static const SystemProcessDirectory directory;
    return directory;
}
