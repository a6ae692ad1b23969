#include "CorvaleCore/LastRun.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Defaults.hpp"

#include <cmath>
#include <mutex>

namespace corvale::json {

namespace {

Json encodeDate(LastRun::Date date) {
    return LastRun::referenceSeconds(date);
}

LastRun::Date decodeDate(const Json& value, const CodingPath& path) {
    if (std::optional<LastRun::Date> date =
            LastRun::fromReferenceSeconds(decodeDouble(value, path))) {
        return *date;
    }
    throw DecodingError(DecodingError::Kind::dataCorrupted, path, "Date is out of range.");
}

Json encodeFinite(double value) {
    if (!std::isfinite(value)) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, {},
                            "Unable to encode a non-finite number in JSON.");
    }
    return value;
}

} // namespace

Json Coding<LastRun::Hang>::encode(const LastRun::Hang& hang) {
    Json object = Json::object();
    object["since"] = encodeDate(hang.since);
    if (hang.seconds) {
        object["seconds"] = encodeFinite(*hang.seconds);
    }
    object["stack"] = hang.stack;
    return object;
}

LastRun::Hang Coding<LastRun::Hang>::decode(const Json& value, const CodingPath& path) {
    LastRun::Hang hang;
    hang.since = decodeDate(requireMember(value, "since", path), appending(path, "since"));
    if (const Json* seconds = member(value, "seconds")) {
        hang.seconds = decodeDouble(*seconds, appending(path, "seconds"));
    }
    CodingPath stackPath = appending(path, "stack");
    const Json& stack = requireMember(value, "stack", path);
    if (!stack.is_array()) {
        throw DecodingError(DecodingError::Kind::typeMismatch, stackPath,
                            "Expected to decode Array<String> but found something else.");
    }
    for (std::size_t i = 0; i < stack.size(); ++i) {
        hang.stack.push_back(
            decodeString(stack[i], appending(stackPath, "Index " + std::to_string(i))));
    }
    return hang;
}

Json Coding<LastRun::Record>::encode(const LastRun::Record& record) {
    Json object = Json::object();
    object["version"] = record.version;
    object["started"] = encodeDate(record.started);
    object["clean"] = record.clean;
    if (record.hang) {
        object["hang"] = json::encode(*record.hang);
    }
    return object;
}

LastRun::Record Coding<LastRun::Record>::decode(const Json& value, const CodingPath& path) {
    LastRun::Record record;
    record.version =
        decodeString(requireMember(value, "version", path), appending(path, "version"));
    record.started = decodeDate(requireMember(value, "started", path), appending(path, "started"));
    record.clean = decodeBool(requireMember(value, "clean", path), appending(path, "clean"));
    if (const Json* hang = member(value, "hang")) {
        record.hang = json::decode<LastRun::Hang>(*hang, appending(path, "hang"));
    }
    return record;
}

// The list of recent hangs.
template <>
struct Coding<std::vector<LastRun::Hang>> {
    static Json encode(const std::vector<LastRun::Hang>& hangs) {
        Json array = Json::array();
        for (const LastRun::Hang& hang : hangs) {
            array.push_back(json::encode(hang));
        }
        return array;
    }
    static std::vector<LastRun::Hang> decode(const Json& value, const CodingPath& path) {
        if (!value.is_array()) {
            throw DecodingError(DecodingError::Kind::typeMismatch, path,
                                "Expected to decode Array<Hang> but found something else.");
        }
        std::vector<LastRun::Hang> hangs;
        for (std::size_t i = 0; i < value.size(); ++i) {
            hangs.push_back(json::decode<LastRun::Hang>(
                value[i], appending(path, "Index " + std::to_string(i))));
        }
        return hangs;
    }
};

} // namespace corvale::json

namespace corvale::LastRun {

namespace {

using namespace std::chrono;

// 2001-01-01 00:00:00 UTC.
constexpr sys_seconds reference = sys_days(year(2001) / January / 1);

// A stored date further than this from the reference would overflow the clock's nanoseconds
// (about 292 years either side of 1970), so it counts as damaged data.
constexpr double farthest = 8.0e9;

struct State {
    std::mutex lock;
    std::optional<Record> previous;
    std::optional<Record> record;
};

State& state() {
    // Never destroyed: the hang watch may write while the process exits.
    static auto* made = new State();
    return *made;
}

template <class T>
void save(const T& value, std::string_view key) {
    std::string data;
    try {
        data = json::encodeCompact(json::encode(value));
    } catch (...) {
        return; // nothing is stored when it cannot be encoded
    }
    Defaults::standard().set(key, data);
}

template <class T>
std::optional<T> load(std::string_view key) {
    std::optional<std::string> data = Defaults::standard().data(key);
    if (!data) {
        return std::nullopt;
    }
    try {
        return json::decode<T>(json::parse(*data));
    } catch (...) {
        return std::nullopt; // damaged or from an incompatible version: as if absent
    }
}

} // namespace

double referenceSeconds(Date date) {
    return duration<double>(date - reference).count();
}

std::optional<Date> fromReferenceSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > farthest) {
        return std::nullopt;
    }
    return Date(reference) + round<system_clock::duration>(duration<double>(seconds));
}

void begin() {
    std::optional<Record> found = load<Record>(recordKey);
    State& s = state();
    std::lock_guard guard(s.lock);
    s.previous = std::move(found);
    s.record = Record{AppIdentity::current().version(), system_clock::now(), false, std::nullopt};
    save(*s.record, recordKey);
}

// Without `begin()` there is no record of this run, and nothing is stored: writing an empty
// record would wipe the previous run's before anyone read it.
void end() {
    State& s = state();
    std::lock_guard guard(s.lock);
    if (s.record) {
        s.record->clean = true;
        save(*s.record, recordKey);
    }
}

bool endedBadly() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.previous && !s.previous->clean;
}

std::optional<Record> previous() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.previous;
}

std::optional<Record> current() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.record;
}

void hangBegan(Date since, std::vector<std::string> stack) {
    State& s = state();
    std::lock_guard guard(s.lock);
    if (s.record) {
        s.record->hang = Hang{since, std::nullopt, std::move(stack)};
        save(*s.record, recordKey);
    }
}

void hangEnded(double seconds) {
    State& s = state();
    std::optional<Hang> taken;
    {
        std::lock_guard guard(s.lock);
        if (s.record) {
            taken = std::move(s.record->hang);
            s.record->hang.reset();
            save(*s.record, recordKey);
        }
    }
    if (!taken) {
        return;
    }
    taken->seconds = seconds;
    std::lock_guard guard(s.lock);
    std::vector<Hang> hangs = recentHangs();
    hangs.insert(hangs.begin(), std::move(*taken));
    if (hangs.size() > maxRecentHangs) {
        hangs.resize(maxRecentHangs);
    }
    save(hangs, recentHangsKey);
}

std::vector<Hang> recentHangs() {
    return load<std::vector<Hang>>(recentHangsKey).value_or(std::vector<Hang>{});
}

void reset() {
    State& s = state();
    std::lock_guard guard(s.lock);
    s.previous.reset();
    s.record.reset();
}

} // namespace corvale::LastRun
