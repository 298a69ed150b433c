#include "app/controls.h"

#include "app/help_texts.h"

namespace selvaro {
namespace {

constexpr FontSpec kDriveFont{"Tahoma", 975, false, 178};
constexpr FontSpec kLinkFont{"Tahoma", 825, false, 178};
constexpr FontSpec kPoweredByFont{"Tahoma", 900, true, 178};
constexpr FontSpec kHintFont{"MS Sans Serif", 825, true, 178};

constexpr Rgb kLightGrey{224, 224, 224};

constexpr ControlSpec DriveBox(std::string_view name, char letter, int left, int top, int width,
                               int tabIndex, std::string_view caption) {
    return {.name = name,
            .kind = ControlKind::CheckBox,
            .left = left,
            .top = top,
            .width = width,
            .height = 255,
            .caption = caption,
            .font = &kDriveFont,
            .backColour = kFormBackColour,
            .tabIndex = tabIndex,
            .handCursor = true,
            .driveLetter = letter};
}

// The three command buttons, captioned in code page 1256.
constexpr ControlSpec Command(std::string_view name, int left, int width, std::string_view caption,
                              int tabIndex) {
    return {.name = name,
            .kind = ControlKind::PushButton,
            .left = left,
            .top = 2460,
            .width = width,
            .height = 495,
            .caption = caption,
            .captionIsArabicCodePage = true,
            .font = &kDriveFont,
            .tabIndex = tabIndex,
            .handCursor = true};
}

// A control of a kind at its place, with the look of its container.
constexpr ControlSpec Placed(std::string_view name, ControlKind kind, std::string_view container,
                             int left, int top, int width, int height, std::string_view caption,
                             int tabIndex) {
    return {.name = name,
            .kind = kind,
            .container = container,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .caption = caption,
            .tabIndex = tabIndex};
}

constexpr ControlSpec Label(std::string_view name, std::string_view container, int left, int top,
                            int width, int height, std::string_view caption, int tabIndex) {
    return Placed(name, ControlKind::Label, container, left, top, width, height, caption, tabIndex);
}

// A label with a look of its own and the hand cursor.
constexpr ControlSpec LinkLabel(std::string_view name, int left, int top, int width,
                                std::string_view caption, int tabIndex, const FontSpec& font,
                                Rgb textColour) {
    ControlSpec label = Label(name, kFormName, left, top, width, 255, caption, tabIndex);
    label.font = &font;
    label.textColour = textColour;
    label.handCursor = true;
    return label;
}

constexpr ControlSpec Frame(std::string_view name, std::string_view container, int left, int top,
                            int width, int height, std::string_view caption, int tabIndex,
                            bool visible) {
    ControlSpec frame =
        Placed(name, ControlKind::Frame, container, left, top, width, height, caption, tabIndex);
    frame.backColour = kLightGrey;
    frame.visible = visible;
    return frame;
}

constexpr ControlSpec TextField(std::string_view name, int left, int top, int width,
                                std::string_view text, int tabIndex, bool visible) {
    ControlSpec field =
        Placed(name, ControlKind::TextField, kFormName, left, top, width, 285, text, tabIndex);
    field.visible = visible;
    return field;
}

}  // namespace

// In tab-index order.
constexpr std::array<ControlSpec, 33> kControls{
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
    Command("Command1", 90, 2055, "\xE3\xCE\xDD\xED \xD3\xC7\xD2\xED \xCF\xD1\xC7\xED\xE6\xE5\xC7",
            18),
    Command("Command2", 2160, 1395, "\xE4\xE3\xC7\xED\xD4 \xCF\xD1\xC7\xED\xE6 \xE5\xC7", 19),
    LinkLabel("Label1", 930, 3960, 3495, "For Hiddem Many Drives Click Hear !", 20, kHintFont,
              Rgb{0, 0, 255}),
    ControlSpec{.name = "Command3",
                .kind = ControlKind::PushButton,
                .left = 4620,
                .top = 3900,
                .width = 2055,
                .height = 495,
                .caption = "About |  Help",
                .backColour = kLightGrey,
                .tabIndex = 21,
                .handCursor = true},
    Frame("information", kFormName, 6960, 3540, 7095, 2175, "information", 22, false),
    Label("Label2", "information", 120, 360, 6735, 375, "In The Name Of God  ", 23),
    Label("Label3", "information", 120, 720, 1695, 375, "Maker : Tovrel", 24),
    Label("Label4", "information", 120, 1080, 1695, 375, "version 1.0", 25),
    Label("Label5", "information", 120, 1560, 2295, 375, kCreditsText, 26),
    Frame("Frame2", "information", 3360, 120, 3615, 1935, "Help", 27, true),
    Label("Label7", "Frame2", 120, 240, 3015, 1695, kUsageText, 28),
    TextField("Text2", 3690, 4260, 375, "\"", 29, false),
    LinkLabel("Label6", 4740, 1860, 2325, "Powered by Tornimek Crop", 30, kPoweredByFont,
              Rgb{128, 128, 128}),
    LinkLabel("Label8", 5280, 2160, 1425, kWebHost, 31, kLinkFont, Rgb{0, 0, 192}),
    Command("Command4", 3570, 1605, "\xCA\xC7\xD2\xE5 \xD3\xC7\xD2\xED", 32),
};

const ControlSpec* FindControl(std::string_view name) {
    for (const ControlSpec& control : kControls) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

int ControlId(const ControlSpec& control) {
    return kFirstControlId + static_cast<int>(&control - kControls.data());
}

const ControlSpec* ControlById(int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(kControls.size())) return nullptr;
    return &kControls[static_cast<std::size_t>(index)];
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

}  // namespace selvaro
