#include "cli/json_result.h"

#include <cstdio>

#include "platform/text.h"

namespace {

std::string Quoted(const wchar_t* text) {
  if (text == nullptr) return "null";
  std::string quoted = "\"";
  for (unsigned char c : ValidUtf8FromWide(text)) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          quoted += escaped;
        } else {
          quoted += static_cast<char>(c);
        }
    }
  }
  return quoted + "\"";
}

// The exact bytes of a path, in ASCII: every byte outside the printable ASCII, and '%' itself,
// as %XX (upper-case hexadecimal), as in a URI.
std::string PercentEncoded(const wchar_t* path) {
  std::string encoded = "\"";
  for (unsigned char c : Utf8FromWide(path)) {
    if (c > 0x20 && c < 0x7F && c != '%' && c != '"' && c != '\\') {
      encoded += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      encoded += escaped;
    }
  }
  return encoded + "\"";
}

std::string Number(uint64_t value) { return std::to_string(value); }

// Seconds between two counter values, to the millisecond.
std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

struct Pass {
  double seconds;
  uint64_t bytesPerSecond;
};

Pass PassFigures(uint64_t doneMB, int64_t startTime, int64_t nowTime, int64_t frequency) {
  const double seconds =
      frequency > 0 ? static_cast<double>(nowTime - startTime) / static_cast<double>(frequency) : 0;
  const double bytes = static_cast<double>(doneMB) * 1048576;
  return {seconds, seconds > 0 ? static_cast<uint64_t>(bytes / seconds) : 0};
}

}  // namespace

std::string ResultJson(const RunResult& r) {
  const TestProgress& p = r.progress;
  const Pass write = PassFigures(p.writtenMB, p.writeStartTime, p.writeNowTime, p.perfFrequency);
  const Pass writeSpeed =
      PassFigures(p.writtenMB, p.WriteSpeedStartTime(), p.writeNowTime, p.perfFrequency);
  const Pass verify =
      PassFigures(p.verifiedMB, p.verifyStartTime, p.verifyNowTime, p.perfFrequency);
  std::string json = "{\n";
  auto field = [&json](const char* name, const std::string& value, bool last = false) {
    json += std::string("  \"") + name + "\": " + value + (last ? "\n" : ",\n");
  };
  field("outcome", std::string("\"") + r.outcome + "\"");
  field("target", Quoted(r.target.c_str()));
  field("targetBytes", PercentEncoded(r.target.c_str()));
  field("sizeMB", Number(r.sizeMB));
  field("writeStarted", p.writeStarted ? "true" : "false");
  field("writtenMB", Number(p.writtenMB));
  field("writeSeconds", Seconds(p.writeStarted ? write.seconds : 0));
  field("writeBytesPerSecond", Number(p.writeStarted ? writeSpeed.bytesPerSecond : 0));
  field("writeSampleSeconds", Seconds(p.writeStarted ? write.seconds - writeSpeed.seconds : 0));
  field("lossFoundAtMB", p.writeStarted && p.lossFound ? Number(p.lossFoundAtMB) : "null");
  field("verifyStarted", p.verifyStarted ? "true" : "false");
  field("verifiedMB", Number(p.verifiedMB));
  field("verifySeconds", Seconds(p.verifyStarted ? verify.seconds : 0));
  field("readBytesPerSecond", Number(p.verifyStarted ? verify.bytesPerSecond : 0));
  // The counts describe the latest verify pass; before one they are not this run's.
  const bool counted = p.verifyStarted;
  field("okSectors", Number(counted ? p.okSectors : 0));
  field("overwrittenSectors", Number(counted ? p.overwrittenSectors : 0));
  field("slightlyChangedSectors", Number(counted ? p.slightlyChangedSectors : 0));
  field("corruptedSectors", Number(counted ? p.corruptedSectors : 0));
  field("aliasedOffsets", Number(counted ? p.aliasedOffsets : 0));
  field("firstError", counted && p.firstErrorSeen
                          ? "{\"offset\": " + Number(p.firstError.offset) +
                                ", \"expected\": " + Number(p.firstError.expected) +
                                ", \"found\": " + Number(p.firstError.found) + "}"
                          : "null");
  field("readsFromMedium", !p.verifyStarted ? "null" : p.readsFromMedium ? "true" : "false");
  field("warningText", Quoted(r.warningText));
  field("errorText", Quoted(r.errorText), true);
  return json + "}\n";
}
