#pragma once

#include <QIcon>
#include <QPixmap>

namespace ekaldo {

// Pictures of the tool buttons, the file-command buttons and the left list's items, all 27 × 27.
enum class ToolImage {
    // Main window.
    Help,
    Params,
    Folders,
    Exit,
    NewItem,
    ExportItem,
    ImportItem,
    DeleteItem,
    Run,
    View,
    InBoxItem,
    OutBoxItem,
    TemplatesItem,
    // Sheet windows: filter window, viewer, posting window.
    Save,         // save as a new grade data file
    SaveTemplate, // save the selections as a grade template file
    Columns,      // column dialog
    Sort,         // sort-order dialog
    Copy,         // copy the sheet to the clipboard
    Print,
    PrinterSetup,
    Check,
    Post,
    Abort,
    // Preview window.
    ZoomIn,
    ZoomOut,
    FitWidth,
    FitPage,
    FirstPage,
    PriorPage,
    NextPage,
    LastPage,
    Close,
};
inline constexpr int ToolImageCount = static_cast<int>(ToolImage::Close) + 1;

enum class StateImage { Edit, Post, Get, Alarm, Pub }; // 16×16 state icons of the file lists
inline constexpr int StateImageCount = static_cast<int>(StateImage::Pub) + 1;

// 11×11 grid marks; PartTick: a row posted with cells in error or refused by the database.
enum class MarkImage { Tick, GreyTick, RedCross, YellowCross, PartTick };
inline constexpr int MarkImageCount = static_cast<int>(MarkImage::PartTick) + 1;

// The holder of the pictures the windows share. Every picture is an SVG file among the program's resources
// (resources/pictures), rendered at its size on first use and kept for the rest of the run; all of it
// needs the GUI application object to exist.
class TDatModImages {
public:
    static constexpr int ToolSize = 27;
    static constexpr int StateSize = 16;
    static constexpr int MarkSize = 11;
    static constexpr int ArrowSize = 17;
    static constexpr QSize FolderSize{15, 14};
    static constexpr QSize BannerSize{360, 200};
    // The band of the banner over which the version and copyright lines are written.
    static constexpr QRect BannerTextBand{36, 80, 294, 51};

    // 27×27: QIcon::Normal = the normal set, QIcon::Active = the highlighted set (shown under the
    // mouse), QIcon::Disabled = the disabled set in light greys; the two are the normal set through one
    // filter. The icon also carries a double-size copy of each for high-density screens.
    static QIcon ToolIcon(ToolImage image);
    static QPixmap ToolPixmap(ToolImage image, QIcon::Mode mode);
    static QPixmap State(StateImage image);
    static QPixmap Mark(MarkImage image);
    static QPixmap Folder(bool open);                                // 15×14
    static QPixmap Arrow(Qt::ArrowType direction, bool highlighted); // 17×17, Up/Down/Left/Right
    static QPixmap Banner();                                         // 360×200, the start-up banner
    static QIcon AppIcon(); // the program's icon (16..256 px), for windows and the desktop menu
};

} // namespace ekaldo
