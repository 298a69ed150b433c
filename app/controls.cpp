#include "app/controls.h"

#include <array>

#include "app/help_texts.h"

namespace selvaro {
namespace {

constexpr FontSpec kDriveFont{"Tahoma", 975, false, 178};
constexpr FontSpec kLinkFont{"Tahoma", 825, false, 178};
constexpr FontSpec kPoweredByFont{"Tahoma", 900, true, 178};
constexpr FontSpec kHintFont{"MS Sans Serif", 825, true, 178};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLightGrey{224, 224, 224};

constexpr ControlSpec DriveBox(std::string_view name, char letter, int left, int top, int width,
                               int tabIndex, std::string_view caption) {
    return {name,  ControlKind::CheckBox, "Form1",      left,   top,      width, 255,  caption,
            false, &kDriveFont,           std::nullopt, kWhite, tabIndex, true,  true, letter};
}

constexpr ControlSpec Button(std::string_view name, int left, int top, int width,
                             std::string_view caption, int tabIndex) {
    return {name,         ControlKind::PushButton,
            "Form1",      left,
            top,          width,
            495,          caption,
            true,         &kDriveFont,
            std::nullopt, std::nullopt,
            tabIndex,     true,
            true,         0};
}

constexpr ControlSpec Label(std::string_view name, std::string_view container, int left, int top,
                            int width, int height, std::string_view caption, int tabIndex) {
    return {
        name,    ControlKind::Label, container,    left,     top,   width, height, caption, false,
        nullptr, std::nullopt,       std::nullopt, tabIndex, false, true,  0};
}

constexpr ControlSpec WithLook(ControlSpec control, const FontSpec* font, Rgb textColour) {
    control.font = font;
    control.textColour = textColour;
    control.handCursor = true;
    return control;
}

constexpr ControlSpec Frame(std::string_view name, std::string_view container, int left, int top,
                            int width, int height, std::string_view caption, int tabIndex,
                            bool visible) {
    return {
        name,    ControlKind::Frame, container,  left,     top,   width,   height, caption, false,
        nullptr, std::nullopt,       kLightGrey, tabIndex, false, visible, 0};
}

constexpr ControlSpec TextField(std::string_view name, int left, int top, int width,
                                std::string_view text, int tabIndex, bool visible) {
    return {
        name,    ControlKind::TextField, "Form1",      left,     top,   width,   285, text, false,
        nullptr, std::nullopt,           std::nullopt, tabIndex, false, visible, 0};
}

// In tab-index order.
constexpr std::array kTable{
    DriveBox("Check1", 'A', 240, 240, 1455, 0, "Drive A :\\"),
    DriveBox("Check2", 'B', 1560, 240, 1455, 1, "Drive B :\\"),
    DriveBox("Check3", 'C', 3000, 240, 1455, 2, "Drive C :\\"),
    DriveBox("Check4", 'D', 4320, 240, 1455, 3, "Drive D :\\"),
    DriveBox("Check5", 'E', 5640, 240, 1455, 4, "Drive E :\\"),
    DriveBox("Check6", 'F', 240, 720, 1455, 5, "Drive F :\\"),
    DriveBox("Check7", 'G', 1560, 720, 1455, 6, "Drive G :\\"),
    DriveBox("Check8", 'H', 3000, 720, 1455, 7, "Drive H :\\"),
    DriveBox("Check9", 'I', 4320, 720, 1455, 8, "Drive I :\\"),
    DriveBox("Check10", 'J', 5640, 720, 1455, 9, "Drive J :\\"),
    DriveBox("Check11", 'K', 240, 1200, 1455, 10, "Drive K :\\"),
    DriveBox("Check12", 'L', 1560, 1200, 1455, 11, "Drive L :\\"),
    DriveBox("Check13", 'M', 3000, 1200, 1455, 12, "Drive M :\\"),
    DriveBox("Check14", 'N', 4320, 1200, 1245, 13, "Drive N :\\"),
    DriveBox("Check15", 'O', 5640, 1200, 1455, 14, "Drive O :\\"),
    DriveBox("Check16", 'Q', 1560, 1680, 1455, 15, "Drive Q :\\"),
    DriveBox("Check17", 'P', 240, 1680, 1455, 16, "Drive P :\\"),
    TextField("Text1", 2550, 4800, 4095, "", 17, true),
    Button("Command1", 90, 2460, 2055,
           "\xE3\xCE\xDD\xED \xD3\xC7\xD2\xED \xCF\xD1\xC7\xED\xE6\xE5\xC7", 18),
    Button("Command2", 2160, 2460, 1395, "\xE4\xE3\xC7\xED\xD4 \xCF\xD1\xC7\xED\xE6 \xE5\xC7", 19),
    WithLook(
        Label("Label1", "Form1", 930, 3960, 3495, 255, "For Hiddem Many Drives Click Hear !", 20),
        &kHintFont, Rgb{0, 0, 255}),
    ControlSpec{"Command3", ControlKind::PushButton, "Form1", 4620, 3900, 2055, 495,
                "About |  Help", false, nullptr, std::nullopt, kLightGrey, 21, true, true, 0},
    Frame("information", "Form1", 6960, 3540, 7095, 2175, "information", 22, false),
    Label("Label2", "information", 120, 360, 6735, 375, "In The Name Of God  ", 23),
    Label("Label3", "information", 120, 720, 1695, 375, "Maker : Tovrel", 24),
    Label("Label4", "information", 120, 1080, 1695, 375, "version 1.0", 25),
    Label("Label5", "information", 120, 1560, 2295, 375, kCreditsText, 26),
    Frame("Frame2", "information", 3360, 120, 3615, 1935, "Help", 27, true),
    Label("Label7", "Frame2", 120, 240, 3015, 1695, kUsageText, 28),
    TextField("Text2", 3690, 4260, 375, "\"", 29, false),
    WithLook(Label("Label6", "Form1", 4740, 1860, 2325, 255, "Powered by Tornimek Crop", 30),
             &kPoweredByFont, Rgb{128, 128, 128}),
    WithLook(Label("Label8", "Form1", 5280, 2160, 1425, 255, kWebHost, 31), &kLinkFont,
             Rgb{0, 0, 192}),
    Button("Command4", 3570, 2460, 1605, "\xCA\xC7\xD2\xE5 \xD3\xC7\xD2\xED", 32),
};

}  // namespace

const ControlSpec* ControlTable::begin() const {
    return kTable.data();
}
const ControlSpec* ControlTable::end() const {
    return kTable.data() + kTable.size();
}

int UncoveredWidth(const ControlSpec& control) {
    int width = control.width;
    for (const ControlSpec& other : kControls) {
        const bool sameRow =
            other.top < control.top + control.height && control.top < other.top + other.height;
        if (other.container == control.container && other.visible && sameRow &&
            other.left > control.left && other.left < control.left + width) {
            width = other.left - control.left;
        }
    }
    return width;
}

const ControlSpec* FindControl(std::string_view name) {
    for (const ControlSpec& control : kControls) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

int ControlId(const ControlSpec& control) {
    return kFirstControlId + static_cast<int>(&control - kControls.begin());
}

const ControlSpec* ControlById(int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(kControls.size())) return nullptr;
    return kControls.begin() + index;
}

}  // namespace selvaro
