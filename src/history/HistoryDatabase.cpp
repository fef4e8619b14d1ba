#include "history/HistoryDatabase.h"

#include "platform/Utf8.h"

#include <sqlite3.h>

#include <string_view>

namespace history {

namespace {

constexpr std::int64_t kMicroseconds = 1000000;
// Chromium counts from 1601, Firefox from 1970.
constexpr std::int64_t kChromiumEpochOffset = 11644473600LL * kMicroseconds;

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

bool HasTable(sqlite3* db, const char* name) {
    Statement statement(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    if (!statement.get()) return false;
    sqlite3_bind_text(statement.get(), 1, name, -1, SQLITE_STATIC);
    return sqlite3_step(statement.get()) == SQLITE_ROW;
}

std::wstring WideOfUtf8(std::string_view bytes) {
    std::wstring text;
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t value = 0;
        if (const std::size_t length = platform::DecodeUtf8Sequence(bytes, at, value); length > 0) {
            platform::AppendCodePoint(text, value);
            at += length;
        } else {
            const unsigned char byte = static_cast<unsigned char>(bytes[at++]);
            platform::AppendCodePoint(text, byte < 0x80 ? byte : 0xFFFD);
        }
    }
    return text;
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// on_site(url, scheme, host): the site test, in SQL, so that the walk back through the
// visits stops at the first page on the site.
void OnSite(sqlite3_context* context, int, sqlite3_value** values) {
    const unsigned char* url = sqlite3_value_text(values[0]);
    const unsigned char* scheme = sqlite3_value_text(values[1]);
    const unsigned char* host = sqlite3_value_text(values[2]);
    const bool on = url && scheme && host &&
                    IsOnSite(reinterpret_cast<const char*>(url),
                             Site{reinterpret_cast<const char*>(scheme), reinterpret_cast<const char*>(host)});
    sqlite3_result_int(context, on ? 1 : 0);
}

// Chromium: a page's own visit ends its redirect chain (0x20000000); subframe visits
// (core types 3 and 4) are frames. Firefox: embedded (4), download (7) and framed link (8)
// visits are no pages of their own, nor are hidden places (redirect sources, frames).
constexpr char kChromiumOnSite[] =
    "SELECT u.url, u.title, v.visit_time FROM visits v JOIN urls u ON u.id = v.url "
    "WHERE v.visit_time BETWEEN ?1 AND ?2 AND (v.transition & 0x20000000) != 0 "
    "AND (v.transition & 255) NOT IN (3, 4) AND on_site(u.url, ?3, ?4) "
    "ORDER BY v.visit_time DESC LIMIT 1";
constexpr char kChromiumOfUrl[] =
    "SELECT u.url, u.title, v.visit_time FROM visits v JOIN urls u ON u.id = v.url "
    "WHERE v.visit_time BETWEEN ?1 AND ?2 AND u.url = ?3 "
    "ORDER BY v.visit_time DESC LIMIT 1";
constexpr char kFirefoxOnSite[] =
    "SELECT p.url, p.title, v.visit_date FROM moz_historyvisits v JOIN moz_places p ON p.id = v.place_id "
    "WHERE v.visit_date BETWEEN ?1 AND ?2 AND v.visit_type NOT IN (4, 7, 8) AND p.hidden = 0 "
    "AND on_site(p.url, ?3, ?4) ORDER BY v.visit_date DESC LIMIT 1";
constexpr char kFirefoxOfUrl[] =
    "SELECT p.url, p.title, v.visit_date FROM moz_historyvisits v JOIN moz_places p ON p.id = v.place_id "
    "WHERE v.visit_date BETWEEN ?1 AND ?2 AND p.url = ?3 "
    "ORDER BY v.visit_date DESC LIMIT 1";

sqlite3* OpenFile(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    return db;
}

// "file:" and the path, '\\' as '/', with the characters a URI gives a meaning escaped.
std::string FileUri(const std::string& path) {
    std::string uri = "file:";
    if (path.size() > 1 && path[1] == ':') uri += '/';
    for (char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            uri += '/';
        } else if (c == '?' || c == '#' || c == '%' || byte < 0x21 || byte >= 0x7f) {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            uri += '%';
            uri += kDigits[byte >> 4];
            uri += kDigits[byte & 15];
        } else {
            uri += c;
        }
    }
    return uri;
}

}  // namespace

std::unique_ptr<HistoryDatabase> HistoryDatabase::Open(const std::string& utf8Path, bool alone) {
    sqlite3* db = alone ? OpenFile(FileUri(utf8Path) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI)
                        : OpenFile(utf8Path, SQLITE_OPEN_READONLY);
    if (!db) return nullptr;

    // The first read finds out whether the copy holds a journal of a write the browser had
    // not finished; a read-only connection cannot roll it back, so the copy (ours, and
    // deleted after the pass) is opened for writing once to do so.
    int schema = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (schema == SQLITE_READONLY_ROLLBACK || schema == SQLITE_READONLY_RECOVERY) {
        sqlite3_close(db);
        db = OpenFile(utf8Path, SQLITE_OPEN_READWRITE);
        if (!db) return nullptr;
        schema = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    std::optional<HistoryKind> kind;
    if (schema == SQLITE_OK) {
        if (HasTable(db, "visits") && HasTable(db, "urls")) kind = HistoryKind::Chromium;
        if (HasTable(db, "moz_historyvisits") && HasTable(db, "moz_places")) kind = HistoryKind::Firefox;
    }
    if (!kind || sqlite3_create_function_v2(db, "on_site", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, OnSite,
                                            nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    // One read transaction for the connection's life: nobody else writes the copy, and each
    // question of the pass then reads without taking its locks and looking for a journal
    // again. It ends with the connection.
    sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    return std::unique_ptr<HistoryDatabase>(new HistoryDatabase(db, *kind));
}

HistoryDatabase::~HistoryDatabase() {
    for (const auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
}

std::optional<PageVisit> HistoryDatabase::Query(const char* sql, const std::string& text, const std::string& host,
                                                std::int64_t fetchedAt, const VisitWindow& window) const {
    sqlite3_stmt*& prepared = statements_[sql];
    if (!prepared && sqlite3_prepare_v2(db_, sql, -1, &prepared, nullptr) != SQLITE_OK) return std::nullopt;
    sqlite3_reset(prepared);
    sqlite3_clear_bindings(prepared);
    // Seconds rounded down: the whole second of the fetch counts, and the slack after it.
    const std::int64_t offset = kind_ == HistoryKind::Chromium ? kChromiumEpochOffset : 0;
    const std::int64_t from = (fetchedAt - window.boundSeconds) * kMicroseconds + offset;
    const std::int64_t to = (fetchedAt + 1 + window.slackSeconds) * kMicroseconds - 1 + offset;
    sqlite3_bind_int64(prepared, 1, from);
    sqlite3_bind_int64(prepared, 2, to);
    sqlite3_bind_text(prepared, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    // The address queries have no fourth parameter, and refuse it harmlessly.
    sqlite3_bind_text(prepared, 4, host.c_str(), static_cast<int>(host.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(prepared) != SQLITE_ROW) return std::nullopt;
    PageVisit visit;
    visit.url = ColumnText(prepared, 0);
    visit.title = WideOfUtf8(ColumnText(prepared, 1));
    visit.visitedAtMicroseconds = sqlite3_column_int64(prepared, 2) - offset;
    return visit;
}

std::optional<PageVisit> HistoryDatabase::LastVisitOnSite(const Site& site, std::int64_t fetchedAt,
                                                          const VisitWindow& window) const {
    return Query(kind_ == HistoryKind::Chromium ? kChromiumOnSite : kFirefoxOnSite, site.scheme, site.host, fetchedAt,
                 window);
}

std::optional<PageVisit> HistoryDatabase::LastVisitOf(const std::string& url, std::int64_t fetchedAt,
                                                      const VisitWindow& window) const {
    return Query(kind_ == HistoryKind::Chromium ? kChromiumOfUrl : kFirefoxOfUrl, url, {}, fetchedAt, window);
}

}  // namespace history
