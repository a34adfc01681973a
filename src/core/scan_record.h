#pragma once
#include <string>
#include <vector>

namespace blenvar {

// One element of GS1 or data-identifier data: "01" and its 14 digits, "1P" and a part.
struct ScanField {
    std::string id;
    std::string value;
    friend bool operator==(const ScanField&, const ScanField&) = default;
};

// The one current scan. All fields are text, exactly as shown to the user.
struct ScanRecord {
    std::string Raw;
    std::string Serial;
    std::string TypeName;
    std::string Code;
    std::string Extra;
    std::string Date;
    std::string Time;
    // The AIM symbology identifier ("]d2"), empty outside AIM mode.
    std::string Symbology = {};
    // The GS1 or data-identifier elements read from Code, in scan order; empty with
    // FieldsError set when they did not parse or check.
    std::vector<ScanField> Fields = {};
    std::string FieldsError = {};
    // A UUID given to each delivery, so a server can tell a retry from a new scan.
    std::string Id = {};
    // The name of the device the scan came from; empty where none is known (the start-key
    // capture on X11).
    std::string Device = {};
};

// The elements in the human-readable form: "(01)09501101530003(17)261231".
inline std::string HumanReadable(const std::vector<ScanField>& fields) {
    std::string text;
    for (const ScanField& f : fields) {
        text += '(';
        text += f.id;
        text += ')';
        text += f.value;
    }
    return text;
}

}  // namespace blenvar
