// The main window and its controls, described as data. Creation walks this table in order;
// the order is the tab order, and every container comes before what it holds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace selvaro {

enum class ControlKind { CheckBox, PushButton, Label, TextField, Frame };

struct Rgb {
    std::uint8_t red, green, blue;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

struct FontSpec {
    std::string_view face;
    int centipoints;  // 975 is 9.75 point
    bool underline;
    int charset;
};

inline constexpr std::string_view kFormName = "Form1";

struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    std::string_view container = kFormName;  // or the name of a frame
    int left, top, width, height;            // twips, in the container's client area
    std::string_view caption;
    bool captionIsArabicCodePage = false;  // caption bytes are code page 1256
    const FontSpec* font = nullptr;        // nullptr: the default dialog font
    std::optional<Rgb> textColour = std::nullopt;
    std::optional<Rgb> backColour = std::nullopt;  // nullopt: the container's
    int tabIndex;
    bool handCursor = false;
    bool visible = true;
    char driveLetter = 0;  // drive boxes only
};

inline constexpr std::string_view kFormCaption = "Selvaro";
inline constexpr int kFormClientWidth = 7080;  // twips
inline constexpr int kFormClientHeight = 3120;
inline constexpr Rgb kFormBackColour{255, 255, 255};
inline constexpr int kFirstControlId = 100;  // ids 1 and 2 mean OK and Cancel to the dialog manager

inline constexpr std::string_view kWebHost = "selvaro.example";
inline constexpr std::string_view kWebAddress = "http://selvaro.example";

extern const std::array<ControlSpec, 33> kControls;

// The control of a name, or nullptr.
const ControlSpec* FindControl(std::string_view name);
// A control's id is its place in the table after kFirstControlId.
int ControlId(const ControlSpec& control);
// The control of an id, or nullptr.
const ControlSpec* ControlById(int id);

// The part of a control's width up to the first visible neighbour in its container that starts
// inside it on the same row: the blank space of a drive box that runs into the next box is cut
// off there, so that every box shows whole.
int UncoveredWidth(const ControlSpec& control);

}  // namespace selvaro
