#include "core/shell/Settings.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/ForeignText.h"
#include "base/ProfileFile.h"
#include "base/ProgramConstants.h"
#include "core/shell/ProgramSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

namespace ekaldo {
namespace {

const QString kGeneral = QStringLiteral("General");
const QString kDirectory = QStringLiteral("Directory");
const QString kReport = QStringLiteral("Report");
const QString kMain = QStringLiteral("fc_Main");
const QString kFilter = QStringLiteral("fc_Filter");
const QString kBackups = QStringLiteral("Backups");
const QString kRunsKept = QStringLiteral("RunsKept");

struct PlacementSlot {
    const char* section;
    WindowPlacement ProgramSettings::*member;
};

// In the order the file is read and written.
const PlacementSlot kOtherPlacements[] = {
    {"fc_DataMngr", &ProgramSettings::DataManagerPlacement},
    {"fc_PreviewForm", &ProgramSettings::PreviewPlacement},
    {"fc_Filter", &ProgramSettings::FilterPlacement},
    {"fc_View", &ProgramSettings::ViewPlacement},
    {"fc_Post", &ProgramSettings::PostPlacement},
};

// The settings file is small: read each section once and look keys up in it.
class SettingsReader {
public:
    explicit SettingsReader(QString path) : m_path(std::move(path)) {}

    QString String(const QString& section, const QString& key, const QString& fallback) {
        return SectionOf(section).Value(key, fallback);
    }
    int Integer(const QString& section, const QString& key, int fallback) {
        const auto& s = SectionOf(section);
        if (!s.Contains(key))
            return fallback;
        return ParseSettingsInteger(s.Value(key), fallback);
    }
    WindowPlacement Placement(const QString& section, const WindowPlacement& fallback) {
        return {Integer(section, QStringLiteral("X"), fallback.x),
                Integer(section, QStringLiteral("Y"), fallback.y),
                Integer(section, QStringLiteral("W"), fallback.w),
                Integer(section, QStringLiteral("H"), fallback.h)};
    }

private:
    const ProfileFile::Section& SectionOf(const QString& name) {
        for (const auto& [n, s] : m_sections) {
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return s;
        }
        // The file is UTF-8 when a value needs a character the code page lacks.
        m_sections.emplace_back(name, ProfileFile::ReadSection(m_path, name, true));
        return m_sections.back().second;
    }

    QString m_path;
    std::vector<std::pair<QString, ProfileFile::Section>> m_sections;
};

template <std::size_t N>
void ReadWidths(SettingsReader& reader, const QString& prefix, std::array<int, N>& widths) {
    for (std::size_t i = 0; i < N; ++i)
        widths[i] = reader.Integer(kMain, prefix + QString::number(i + 2), widths[i]);
}

class SettingsWriter {
public:
    explicit SettingsWriter(const QString& path) : m_path(path) {
        if (QFileInfo::exists(path)) {
            // A settings file we cannot read must not be replaced by one that lacks its keys.
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")), path);
            // Edited as UTF-8 whatever the file holds, so that no value is refused.
            const QByteArray bytes = file.readAll();
            m_utf8 = DecodeForeignText(bytes).value_or(CodePage1253::Decode(bytes)).toUtf8();
        }
    }
    void String(const QString& section, const QString& key, const QString& value) {
        m_utf8 = ProfileFile::WithKey(m_utf8, section, key, value, true);
    }
    void Integer(const QString& section, const QString& key, int value) {
        String(section, key, QString::number(value));
    }
    void Placement(const QString& section, const WindowPlacement& p) {
        Integer(section, QStringLiteral("X"), p.x);
        Integer(section, QStringLiteral("Y"), p.y);
        Integer(section, QStringLiteral("W"), p.w);
        Integer(section, QStringLiteral("H"), p.h);
    }
    template <std::size_t N> void Widths(const QString& prefix, const std::array<int, N>& widths) {
        for (std::size_t i = 0; i < N; ++i)
            Integer(kMain, prefix + QString::number(i + 2), widths[i]);
    }
    // One atomic replacement for the whole batch of keys: a failure leaves the
    // old settings whole instead of half written.
    // The file stays in the program's own code page unless a value holds a
    // character that the code page lacks (a data folder under a Latin or
    // Cyrillic name): then the whole file is UTF-8 behind a byte-order mark,
    // which the reader recognises.
    void Commit() {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        const QString text = QString::fromUtf8(m_utf8);
        ReplaceFileAtomically(m_path, CodePage1253::CanEncode(text) ? CodePage1253::Encode(text)
                                                                    : QByteArray("\xEF\xBB\xBF") + m_utf8);
    }

private:
    QString m_path;
    QByteArray m_utf8;
};

} // namespace

int ParseSettingsInteger(const QString& text, int fallback) {
    bool ok = false;
    qlonglong value = 0;
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    if (!ok || value < INT_MIN || value > UINT_MAX)
        return fallback;
    // Colours are written as 32-bit values: 0xFFFFFFFF reads back as -1 and is stored as such.
    return static_cast<int>(static_cast<quint32>(value));
}

void LoadSettings(ProgramSettings& settings, QString& dbPath) {
    {
        SettingsWriter general(settings.SettingsPath);
        general.String(kGeneral, QStringLiteral("Program"), Program::ProgramName);
        general.String(kGeneral, QStringLiteral("Version"), Program::ProgramVersion);
        general.String(kGeneral, QStringLiteral("Copyright"), Program::CopyrightNotice);
        general.Commit();
    }
    SettingsReader reader(settings.SettingsPath);
    dbPath = reader.String(kDirectory, QStringLiteral("DBPath"), settings.ProgramFolder);
    settings.LastSchoolYear = reader.String(kDirectory, QStringLiteral("SchoolYear"), QString());
    settings.LastSendFolder = reader.String(kDirectory, QStringLiteral("SendFolder"), QString());
    settings.LastReceiveFolder = reader.String(kDirectory, QStringLiteral("ReceiveFolder"), QString());
    settings.BackFontName = reader.String(kReport, QStringLiteral("BackFontName"), QStringLiteral("Arial"));
    settings.ForeFontName = reader.String(kReport, QStringLiteral("ForeFontName"), QStringLiteral("Arial"));
    settings.BackColor = static_cast<quint32>(reader.Integer(kReport, QStringLiteral("BackColor"), 0));
    settings.ForeColor = static_cast<quint32>(reader.Integer(kReport, QStringLiteral("ForeColor"), 0));
    settings.MainPlacement = reader.Placement(kMain, {10, 10, 450, 350});
    settings.SplitW = reader.Integer(kMain, QStringLiteral("SplitW"), settings.SplitW);
    const WindowPlacement defaults[] = {
        {20, 20, 325, 252}, {20, 20, 760, 540}, {20, 20, 680, 580}, {20, 20, 680, 520}, {20, 20, 740, 520}};
    for (std::size_t i = 0; i < std::size(kOtherPlacements); ++i)
        settings.*kOtherPlacements[i].member =
            reader.Placement(QString::fromLatin1(kOtherPlacements[i].section), defaults[i]);
    settings.SplitH = reader.Integer(kFilter, QStringLiteral("SplitH"), settings.SplitH);
    settings.LevelW = reader.Integer(kFilter, QStringLiteral("LevelW"), settings.LevelW);
    settings.ClassW = reader.Integer(kFilter, QStringLiteral("ClassW"), settings.ClassW);
    settings.CourseW = reader.Integer(kFilter, QStringLiteral("CourseW"), settings.CourseW);
    ReadWidths(reader, QStringLiteral("cw_InBox"), settings.InBoxWidths);
    ReadWidths(reader, QStringLiteral("cw_OutBox"), settings.OutBoxWidths);
    ReadWidths(reader, QStringLiteral("cw_Templates"), settings.TemplateWidths);
    settings.BackupRunsKept = BackupRunsKeptIn(settings.SettingsPath);
}

int BackupRunsKeptIn(const QString& settingsPath) {
    SettingsReader reader(settingsPath);
    const int kept = reader.Integer(kBackups, kRunsKept, Program::kBackupRunsKept);
    // Fewer than one would take the backup of the run just made.
    return kept >= 1 ? kept : Program::kBackupRunsKept;
}

void SaveSettings(const ProgramSettings& settings, const QString& dbPath) {
    SettingsWriter writer(settings.SettingsPath);
    writer.String(kDirectory, QStringLiteral("DBPath"), dbPath);
    writer.String(kDirectory, QStringLiteral("SchoolYear"), settings.LastSchoolYear);
    writer.String(kDirectory, QStringLiteral("SendFolder"), settings.LastSendFolder);
    writer.String(kDirectory, QStringLiteral("ReceiveFolder"), settings.LastReceiveFolder);
    writer.Placement(kMain, settings.MainPlacement);
    writer.Integer(kMain, QStringLiteral("SplitW"), settings.SplitW);
    for (const auto& slot : kOtherPlacements)
        writer.Placement(QString::fromLatin1(slot.section), settings.*slot.member);
    writer.Integer(kFilter, QStringLiteral("SplitH"), settings.SplitH);
    writer.Integer(kFilter, QStringLiteral("LevelW"), settings.LevelW);
    writer.Integer(kFilter, QStringLiteral("ClassW"), settings.ClassW);
    writer.Integer(kFilter, QStringLiteral("CourseW"), settings.CourseW);
    writer.Widths(QStringLiteral("cw_InBox"), settings.InBoxWidths);
    writer.Widths(QStringLiteral("cw_OutBox"), settings.OutBoxWidths);
    writer.Widths(QStringLiteral("cw_Templates"), settings.TemplateWidths);
    writer.Integer(kBackups, kRunsKept, settings.BackupRunsKept);
    writer.Commit();
}

} // namespace ekaldo
