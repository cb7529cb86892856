#include "base/GreekQtTexts.h"

#include <cstring>

namespace ekaldo {
namespace {

struct Text {
    const char* context;
    const char* source;
    const char* greek;
};

// Qt 6's own source texts, with the mnemonics where Qt gives them.
constexpr Text kTexts[] = {
    {"QPlatformTheme", "OK", "OK"},
    {"QPlatformTheme", "Save", "Αποθήκευση"},
    {"QPlatformTheme", "Save All", "Αποθήκευση όλων"},
    {"QPlatformTheme", "Open", "Άνοιγμα"},
    {"QPlatformTheme", "&Yes", "&Ναι"},
    {"QPlatformTheme", "Yes to &All", "Ναι σε &όλα"},
    {"QPlatformTheme", "&No", "Ό&χι"},
    {"QPlatformTheme", "N&o to All", "Όχι σε ό&λα"},
    {"QPlatformTheme", "Abort", "Διακοπή"},
    {"QPlatformTheme", "Retry", "Επανάληψη"},
    {"QPlatformTheme", "Ignore", "Παράβλεψη"},
    {"QPlatformTheme", "Close", "Κλείσιμο"},
    {"QPlatformTheme", "Cancel", "Άκυρο"},
    {"QPlatformTheme", "Discard", "Απόρριψη"},
    {"QPlatformTheme", "Help", "Βοήθεια"},
    {"QPlatformTheme", "Apply", "Εφαρμογή"},
    {"QPlatformTheme", "Reset", "Επαναφορά"},
    {"QPlatformTheme", "Restore Defaults", "Επαναφορά προεπιλογών"},
    {"QFileDialog", "Look in:", "Αναζήτηση σε:"},
    {"QFileDialog", "File &name:", "Όνομα &αρχείου:"},
    {"QFileDialog", "Files of type:", "Αρχεία τύπου:"},
    {"QFileDialog", "&Open", "Ά&νοιγμα"},
    {"QFileDialog", "&Save", "&Αποθήκευση"},
    {"QFileDialog", "&Choose", "&Επιλογή"},
    {"QFileDialog", "Directory:", "Φάκελος:"},
    {"QFileDialog", "Back", "Πίσω"},
    {"QFileDialog", "Forward", "Εμπρός"},
    {"QFileDialog", "Parent Directory", "Γονικός φάκελος"},
    {"QFileDialog", "Create New Folder", "Νέος φάκελος"},
    {"QFileDialog", "New Folder", "Νέος φάκελος"},
    {"QFileDialog", "List View", "Λίστα"},
    {"QFileDialog", "Detail View", "Λεπτομέρειες"},
    {"QFileDialog", "All Files (*)", "Όλα τα αρχεία (*)"},
    {"QFileDialog", "Recent Places", "Πρόσφατες θέσεις"},
    {"QFileDialog", "&Delete", "&Διαγραφή"},
    {"QFileDialog", "&Rename", "&Μετονομασία"},
    {"QFileDialog", "Show &hidden files", "Εμφάνιση &κρυφών αρχείων"},
    {"QFileDialog", "&New Folder", "&Νέος φάκελος"},
    {"QFileDialog", "My Computer", "Ο υπολογιστής μου"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "Το %1 υπάρχει ήδη.\nΘέλετε να αντικατασταθεί;"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nΤο αρχείο δεν βρέθηκε.\nΕλέγξτε ότι δόθηκε το σωστό όνομα αρχείου."},
    {"QFileSystemModel", "Name", "Όνομα"},
    {"QFileSystemModel", "Size", "Μέγεθος"},
    {"QFileSystemModel", "Type", "Τύπος"},
    {"QFileSystemModel", "Date Modified", "Τροποποιήθηκε"},
    {"QFileSystemModel", "My Computer", "Ο υπολογιστής μου"},
    {"QFileSystemModel", "Computer", "Υπολογιστής"},
    {"QFileDialogPrivate", "Open", "Άνοιγμα"},
    {"QFileDialogPrivate", "Save As", "Αποθήκευση ως"},
    {"QFileDialogPrivate", "Find Directory", "Επιλογή φακέλου"},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Να διαγραφεί το «%1»;"},
    {"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?",
     "Το «%1» προστατεύεται από εγγραφή.\nΝα διαγραφεί παρ' όλα αυτά;"},
    {"QFileDialog", "Could not delete directory.", "Ο φάκελος δεν διαγράφηκε."},
    {"QFileDialog", "Delete", "Διαγραφή"},
    // The type column of the file dialogs' detail view.
    {"QAbstractFileIconProvider", "Folder", "Φάκελος"},
    {"QAbstractFileIconProvider", "File Folder", "Φάκελος"},
    {"QAbstractFileIconProvider", "Drive", "Μονάδα δίσκου"},
    {"QAbstractFileIconProvider", "Unknown", "Άγνωστο"},
    {"QAbstractFileIconProvider", "File", "Αρχείο"},
    {"QAbstractFileIconProvider", "%1 File", "Αρχείο %1"},
    {"QShortcut", "Del", "Del"},
};

} // namespace

QString GreekQtTexts::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText)
        return {};
    for (const Text& text : kTexts) {
        if (std::strcmp(text.context, context) == 0 && std::strcmp(text.source, sourceText) == 0)
            return QString::fromUtf8(text.greek);
    }
    return {};
}

} // namespace ekaldo
