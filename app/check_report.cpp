#include "app/check_report.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Whole numbers plainly, others in the fewest decimals that read back as the same value.
std::string Number(double value) {
    char text[64];
    for (int decimals = 0; decimals <= 17; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        if (std::strtod(text, nullptr) == value) return text;
    }
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// At most `decimals` decimals, with no trailing zeros.
std::string Rounded(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string rounded = text;
    if (rounded.find('.') == std::string::npos) return rounded;
    rounded.erase(rounded.find_last_not_of('0') + 1);
    if (rounded.back() == '.') rounded.pop_back();
    return rounded;
}

std::string Point(const MapVertex& p) {
    std::string text = "(";
    return text.append(Number(p.x)).append(", ").append(Number(p.y)).append(")");
}

const char* SideName(int64_t side) { return side == 0 ? "front" : "back"; }

std::string ChildTarget(int64_t reference, const TreeFigures& figures) {
    bool subsector = reference & kSubsectorChild;
    return "names " + std::string(subsector ? "subsector " : "node ") + std::to_string(reference & ~int64_t(kSubsectorChild)) +
           "; there are " + std::to_string(subsector ? figures.subsectors : figures.nodes);
}

std::string SegRangeDetail(const TreeFault& fault, const TreeFigures& figures) {
    std::string index = std::to_string(fault.reference);
    switch (fault.problem) {
        case SegRangeProblem::kOutsideSegs:
            return "segs " + index + " to " + std::to_string(fault.reference + fault.count - 1) + " run outside the " +
                   std::to_string(figures.segs) + " segs";
        case SegRangeProblem::kNoSeg: return "its seg count is " + std::to_string(fault.count);
        case SegRangeProblem::kStartVertex: return "start vertex " + index + " names nothing";
        case SegRangeProblem::kEndVertex: return "end vertex " + index + " names nothing";
        case SegRangeProblem::kLinedef: return "linedef " + index + " names nothing";
        case SegRangeProblem::kSidedef: return std::string(SideName(fault.side)) + " sidedef " + index + " names nothing";
        case SegRangeProblem::kNone: break;
    }
    return "";
}

// What the fault's fields do not say, in words.
std::string Detail(const TreeFault& fault, const TreeFigures& figures) {
    std::string distance = Rounded(fault.distance, 3);
    switch (fault.kind) {
        case FaultKind::kChildRange: return (fault.node < 0 ? "the root " : "") + ChildTarget(fault.reference, figures);
        case FaultKind::kCycle: return "node " + std::to_string(fault.reference) + " is reached again";
        case FaultKind::kUnreached: return "";
        case FaultKind::kSegRange: return SegRangeDetail(fault, figures);
        case FaultKind::kBox: return "vertex " + Point(fault.point) + " lies " + distance + " units outside the child's box";
        case FaultKind::kSide: return "vertex " + Point(fault.point) + " lies " + distance + " units across the partition";
        case FaultKind::kOffLine: return "vertex " + Point(fault.point) + " lies " + distance + " units off the linedef's line";
        case FaultKind::kPartition: return "the partition at " + Point(fault.point) + " has no length";
        case FaultKind::kUncovered: return "no seg draws it";
        case FaultKind::kOpenSubsector:
            return "seg " + std::to_string(fault.seg) + " ends at " + Point(fault.point) + ", where the next seg does not start";
    }
    return "";
}

// The fields a fault names, in the order the JSON keys have them.
struct NamedField {
    const char* key;
    int64_t value;
};
std::array<NamedField, 5> NamedFields(const TreeFault& fault) {
    return {{{"node", fault.node}, {"child", fault.child}, {"subsector", fault.subsector}, {"seg", fault.seg}, {"linedef", fault.linedef}}};
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t Utf8Length(const std::string& text, size_t at) {
    auto byte = [&](size_t k) { return at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0; };
    unsigned char lead = byte(0);
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || byte(1) < low || byte(1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return length;
}

// A JSON string: UTF-8 sequences as they are, any other byte read as Latin-1.
std::string Json(const std::string& text) {
    std::string quoted = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (size_t length = Utf8Length(text, i); length > 0) {
            quoted.append(text, i, length);
            i += length - 1;
        } else if (c == '"' || c == '\\') {
            quoted += {'\\', char(c)};
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

std::string JsonNumber(double value) { return std::isfinite(value) ? Number(value) : "null"; }

// A map that cannot be read, named with its problem.
std::string UnreadableMapText(const std::string& map, const Problem& problem) { return map + ": cannot be checked: " + problem.line + "\n"; }

}  // namespace

std::string CheckReportText(const std::string& map, const TreeCheck& check) {
    const TreeFigures& f = check.figures;
    auto count = [](int64_t value) { return std::to_string(value); };
    std::string text = map + ": " + MapFormatName(check.format) + " map, " + TreeFormatName(check.tree) + " tree\n";
    text += "  things " + count(f.things) + ", vertexes " + count(f.vertexes) + ", linedefs " + count(f.linedefs) +
            ", sidedefs " + count(f.sidedefs) + ", sectors " + count(f.sectors) + "\n";
    text += "  nodes " + count(f.nodes) + ", subsectors " + count(f.subsectors) + ", segs " + count(f.segs) + " (" +
            count(f.splitSegs) + " split, " + count(f.minisegs) + " minisegs)\n";
    text += "  extent " + Number(f.width) + " x " + Number(f.height) + ", depth " + count(f.depth) + " (mean " +
            Rounded(f.meanDepth, 2) + ", least possible " + count(f.leastDepth) + ")\n";
    if (check.tree == TreeFormat::kNone) return text + "  no tree to check\n";
    if (check.faults.empty()) return text + "  ok\n";
    int64_t total = 0;
    std::string counts;
    for (int32_t kind = 0; kind < kFaultKindCount; ++kind)
        if (check.faultCounts[size_t(kind)] > 0) {
            total += check.faultCounts[size_t(kind)];
            counts += std::string(counts.empty() ? "" : ", ") + kFaultKindNames[kind] + " " + count(check.faultCounts[size_t(kind)]);
        }
    text += "  " + count(total) + (total == 1 ? " fault: " : " faults: ") + counts + "\n";
    for (size_t i = 0; i < check.faults.size(); ++i) {
        const TreeFault& fault = check.faults[i];
        text += std::string("  ") + kFaultKindNames[size_t(fault.kind)] + ":";
        for (const NamedField& field : NamedFields(fault))
            if (field.value != kNotNamed) text += std::string(" ") + field.key + " " + count(field.value);
        if (fault.side != kNotNamed) text += std::string(" ") + SideName(fault.side);
        std::string detail = Detail(fault, f);
        text += (detail.empty() ? "" : ": " + detail) + "\n";
        bool lastOfKind = i + 1 == check.faults.size() || check.faults[i + 1].kind != fault.kind;
        int64_t rest = check.faultCounts[size_t(fault.kind)] - kListedFaultsPerKind;
        if (lastOfKind && rest > 0) text += std::string("  ") + kFaultKindNames[size_t(fault.kind)] + ": " + count(rest) + " more\n";
    }
    return text;
}

std::string CheckReportJson(const std::string& map, const TreeCheck& check) {
    const TreeFigures& f = check.figures;
    std::string json = "{\"map\":" + Json(map) + ",\"format\":\"" + MapFormatName(check.format) + "\",\"tree\":\"" +
                       TreeFormatName(check.tree) + "\"";
    const std::pair<const char*, int64_t> counts[] = {
        {"things", f.things}, {"vertexes", f.vertexes}, {"linedefs", f.linedefs}, {"sidedefs", f.sidedefs},
        {"sectors", f.sectors}, {"nodes", f.nodes}, {"subsectors", f.subsectors}, {"segs", f.segs},
        {"split_segs", f.splitSegs}, {"minisegs", f.minisegs}};
    for (const auto& [key, value] : counts) json += std::string(",\"") + key + "\":" + std::to_string(value);
    json += ",\"width\":" + JsonNumber(f.width) + ",\"height\":" + JsonNumber(f.height) + ",\"depth\":" + std::to_string(f.depth) +
            ",\"mean_depth\":" + Rounded(f.meanDepth, 2) + ",\"least_depth\":" + std::to_string(f.leastDepth) + ",\"fault_counts\":{";
    for (int32_t kind = 0; kind < kFaultKindCount; ++kind)
        json += std::string(kind ? "," : "") + "\"" + kFaultKindNames[kind] + "\":" + std::to_string(check.faultCounts[size_t(kind)]);
    json += "},\"faults\":[";
    for (size_t i = 0; i < check.faults.size(); ++i) {
        const TreeFault& fault = check.faults[i];
        json += std::string(i ? "," : "") + "{\"kind\":\"" + kFaultKindNames[size_t(fault.kind)] + "\"";
        for (const NamedField& field : NamedFields(fault))
            if (field.value != kNotNamed) json += std::string(",\"") + field.key + "\":" + std::to_string(field.value);
        if (fault.side != kNotNamed) json += std::string(",\"side\":\"") + SideName(fault.side) + "\"";
        std::string detail = Detail(fault, f);
        if (!detail.empty()) json += ",\"detail\":" + Json(detail);
        json += "}";
    }
    return json + "]}\n";
}

std::string UnreadableMapJson(const std::string& map, const Problem& problem) {
    return "{\"map\":" + Json(map) + ",\"error\":" + Json(problem.line) + "}\n";
}

int CheckMaps(const Launch& launch, const MessageSink& output) {
    bool sound = true, json = launch.options.json;
    for (size_t k = 0; k < launch.checkMaps.size(); ++k) {
        const std::string& map = launch.checkMaps[k];
        Result<Level> level = LoadLevel(launch.file, map, MarkerSearch::kExactName,
                                        [&](Stream, std::string_view line) { output(Stream::kError, line); });
        if (k > 0 && !json) output(Stream::kOutput, "\n");
        if (!level) {
            sound = false;
            output(Stream::kOutput, json ? UnreadableMapJson(map, level.problem()) : UnreadableMapText(map, level.problem()));
            continue;
        }
        TreeCheck check = CheckTree(*level);
        sound = sound && check.faults.empty();
        output(Stream::kOutput, json ? CheckReportJson(map, check) : CheckReportText(map, check));
    }
    return sound ? 0 : 1;
}
