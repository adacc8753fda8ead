#include "peer_check_win.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>

#include "unique_handle_win.h"

namespace {

using PeerCheck::ConnectionRow;

// Sized by the system and tried again if it grew meanwhile; nothing when it cannot be read.
std::optional<std::vector<unsigned char>> tableOf(ULONG family) {
    std::vector<unsigned char> table;
    ULONG size = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        table.resize(size);
        const DWORD result = GetExtendedTcpTable(table.empty() ? nullptr : table.data(), &size, FALSE, family,
                                                 TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == NO_ERROR) return table;
        // A system without IPv6 has no IPv6 sockets to list.
        if (result == ERROR_NOT_SUPPORTED && family == AF_INET6) return std::vector<unsigned char>{};
        if (result != ERROR_INSUFFICIENT_BUFFER) break;
        size += 4096;
    }
    return std::nullopt;
}

template <typename Table, typename Convert>
void appendRows(const std::vector<unsigned char>& bytes, Convert convert, std::vector<ConnectionRow>& rows) {
    if (bytes.size() < offsetof(Table, table)) return;
    const auto* table = reinterpret_cast<const Table*>(bytes.data());
    const std::size_t capacity = (bytes.size() - offsetof(Table, table)) / sizeof table->table[0];
    for (std::size_t i = 0; i < table->dwNumEntries && i < capacity; ++i) convert(table->table[i], rows);
}

std::uint16_t portOf(DWORD port) { return ntohs(static_cast<u_short>(port)); }

void addIPv4(const MIB_TCPROW_OWNER_PID& row, std::vector<ConnectionRow>& rows) {
    rows.push_back({{ntohl(row.dwLocalAddr), portOf(row.dwLocalPort)},
                    {ntohl(row.dwRemoteAddr), portOf(row.dwRemotePort)},
                    row.dwOwningPid});
}

// A dual-stack socket (Java listens on one by default) lists an IPv4 connection here.
void addIPv6(const MIB_TCP6ROW_OWNER_PID& row, std::vector<ConnectionRow>& rows) {
    const std::optional<std::uint32_t> local = PeerCheck::mappedIPv4(row.ucLocalAddr);
    const std::optional<std::uint32_t> remote = PeerCheck::mappedIPv4(row.ucRemoteAddr);
    if (local && remote) {
        rows.push_back({{*local, portOf(row.dwLocalPort)}, {*remote, portOf(row.dwRemotePort)}, row.dwOwningPid});
    }
}

}  // namespace

std::optional<std::vector<ConnectionRow>> PeerCheck::SystemProcessDirectory::connections() const {
    const std::optional<std::vector<unsigned char>> ipv4 = tableOf(AF_INET);
    const std::optional<std::vector<unsigned char>> ipv6 = tableOf(AF_INET6);
    if (!ipv4 || !ipv6) return std::nullopt;
    std::vector<ConnectionRow> rows;
    appendRows<MIB_TCPTABLE_OWNER_PID>(*ipv4, addIPv4, rows);
    appendRows<MIB_TCP6TABLE_OWNER_PID>(*ipv6, addIPv6, rows);
    return rows;
}

std::optional<std::vector<std::uint32_t>> PeerCheck::SystemProcessDirectory::servicePids() const {
    const Win::UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) return std::nullopt;
    std::vector<std::uint32_t> pids;
    std::vector<BYTE> buffer(64 * 1024);
    DWORD resume = 0;
    // Each round lists at least one service or grows the buffer to what the next one needs.
    for (int round = 0; round < 1024; ++round) {
        DWORD needed = 0;
        DWORD count = 0;
        const BOOL done = EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                                                buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count,
                                                &resume, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) return std::nullopt;
        const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            if (services[i].ServiceStatusProcess.dwProcessId != 0) {
                pids.push_back(services[i].ServiceStatusProcess.dwProcessId);
            }
        }
        if (done) return pids;
        if (count == 0) buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    return std::nullopt;
}

std::optional<std::wstring> PeerCheck::SystemProcessDirectory::userOf(std::uint32_t pid) const {
    const Win::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    Win::UniqueHandle token;
    if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY, token.put())) return std::nullopt;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    wchar_t* sid = nullptr;
    if (user.empty() || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &sid)) {
        return std::nullopt;
    }
    const Win::UniqueLocalMemory ownedSid(sid);
    return std::wstring(sid);
}

std::wstring PeerCheck::SystemProcessDirectory::imageOf(std::uint32_t pid) const {
    const Win::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == pid) return entry.szExeFile;
    }
    return {};
}

std::uint32_t PeerCheck::SystemProcessDirectory::selfPid() const { return GetCurrentProcessId(); }

const PeerCheck::ProcessDirectory& PeerCheck::systemProcessDirectory() {
    static const SystemProcessDirectory directory;
    return directory;
}
