#include "schooldb/builder/SchoolGenerator.h"

#include "schooldb/DatabaseError.h"
#include "schooldb/builder/SchoolTables.h"

#include <QDir>
#include <QRandomGenerator>

namespace ekaldo::schooldb {
namespace {

const char* const kLastNames[] = {
    "Παπαδόπουλος", "Αθανασίου",   "Ανδρέου",     "Ιωάννου",    "Οικονόμου",    "Ελευθερίου", "Γεωργίου",
    "Νικολάου",     "Καραγιάννης", "Βασιλείου",   "Δημητρίου",  "Κωνσταντίνου", "Μακρής",     "Αλεξίου",
    "Ευαγγέλου",    "Ζαχαρίου",    "Ηλιόπουλος",  "Θεοδώρου",   "Λαμπράκης",    "Μιχαηλίδης", "Ξενάκης",
    "Ορφανίδης",    "Πετρίδης",    "Ραφαηλίδης",  "Σταύρου",    "Τσακίρης",     "Υφαντής",    "Φωτίου",
    "Χριστοδούλου", "Ψαρράς",      "Ωραιόπουλος", "Άγγελος",    "Έξαρχος",      "Όθωνας",     "Ύψηλάντης",
    "Αγγελόπουλος", "Εμμανουήλ",   "Ιατρίδης",    "Ουζουνίδης", "Σιδέρης"};
const char* const kFirstNames[] = {
    "Γιώργος", "Μαρία", "Ελένη",   "Νίκος",   "Κατερίνα", "Δημήτρης",  "Άννα",   "Ιωάννα", "Άρης",   "Εύα",
    "Ορέστης", "Ζωή",   "Θάνος",   "Ηλίας",   "Λυδία",    "Μάνος",     "Νεφέλη", "Ξανθή",  "Πέτρος", "Ραλλού",
    "Σοφία",   "Τάσος", "Φωτεινή", "Χρήστος", "Ψυχή",     "Ωραιοζήλη", "Έλλη",   "Ίρις",   "Όλγα",   "Ύβων"};
const char* const kFatherNames[] = {"Κωνσταντίνος", "Απόστολος", "Σπύρος",     "Βασίλης", "Ευάγγελος",
                                    "Ιωάννης",      "Μιχάλης",   "Παναγιώτης", "Άγγελος", "Όμηρος"};

struct DemoClass {
    const char* level;
    const char* branch;
    int method;
    const char* name;
    QList<const char*> courses;
    QList<QPair<const char*, const char*>> subjects; // SUBJNAME, SUBSUBJNAM
};

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

void WriteDemoSchool(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw DatabaseError(QStringLiteral("Ο φάκελος \"%1\" δεν δημιουργήθηκε.").arg(folder));
    QRandomGenerator random(20252026);

    TableBuilder levels = SchoolTables::Level();
    levels.Row({Text("ΓΥ"), Text("Γυμνάσιο")})
        .Row({Text("ΛΥ"), Text("Λύκειο")})
        .Row({Text("ΞΓ"), Text("Ξένες Γλώσσες")})
        .Row({Text("ΕΝ"), Text("Ενισχυτική")})
        .Row({Text("ΑΠ"), Text("Απόφοιτοι")});

    TableBuilder methods = SchoolTables::Method();
    methods.Row({1, 1.0, 20.0}).Row({2, 0.0, 10.0});

    const QList<DemoClass> classes = {
        {"ΓΥ",
         "",
         1,
         "Α Γυμν.",
         {"Α1 Πρωινό", "Α2 Απογευματινό"},
         {{"Μαθηματικά", ""}, {"Έκθεση", ""}, {"Αρχαία", ""}, {"Φυσική", ""}, {"αγγλικά", ""}}},
        {"ΓΥ",
         "",
         1,
         "Β Γυμν.",
         {"Β1 Πρωινό"},
         {{"Μαθηματικά", ""}, {"Έκθεση", ""}, {"Αρχαία", ""}, {"Χημεία", ""}}},
        {"ΓΥ",
         "",
         1,
         "Γ Γυμν.",
         {"Γ1 Πρωινό", "Γ2 Απογευματινό"},
         {{"Άλγεβρα", ""}, {"Γεωμετρία", ""}, {"Έκθεση", ""}, {"Αρχαία", ""}, {"Ιστορία", ""}}},
        {"ΛΥ",
         "ΘΕΤ",
         1,
         "Α Λυκ.",
         {"ΑΛ1 Πρωινό"},
         {{"Άλγεβρα", ""}, {"Γεωμετρία", ""}, {"Φυσική", ""}, {"Έκθεση", ""}, {"Ελληνικά", ""}}},
        {"ΛΥ",
         "ΘΕΤ",
         1,
         "Β Λυκ.",
         {"ΒΛ1 Θετικό", "ΒΛ2 Θεωρητικό"},
         {{"Μαθηματικά", ""},
          {"Φυσική", ""},
          {"Έκθεση", ""},
          {"", "Θετική Κατεύθυνση"},
          {"", "Ανθρωπιστικές"}}},
        {"ΛΥ",
         "ΘΕΤ",
         1,
         "Γ Λυκ.",
         {"ΓΛ1 Θετικό", "ΓΛ2 Υγείας"},
         {{"Μαθηματικά", ""},
          {"Φυσική", ""},
          {"Χημεία", ""},
          {"Βιολογία", ""},
          {"Έκθεση", ""},
          {"", "Οικονομικά"}}},
        {"ΞΓ", "", 2, "Αρχάριοι", {"Αγγλικά Α1"}, {{"Αγγλικά", ""}, {"Γαλλικά", ""}}},
        {"ΞΓ", "", 2, "Προχωρ.", {"Αγγλικά B2"}, {{"Αγγλικά", ""}, {"Ιταλικά", ""}}},
        {"ΕΝ", "", 2, "Αρχάριοι", {"Ενισχυτική Α"}, {{"Ορθογραφία", ""}, {"Αριθμητική", ""}}},
    };

    TableBuilder classTable = SchoolTables::Class();
    TableBuilder courseTable = SchoolTables::Course();
    TableBuilder subjectTable = SchoolTables::Subject();
    struct Section {
        int courseId;
        int classIndex;
    };
    QList<Section> sections;
    QList<QList<int>> subjectsOfClass;
    int courseId = 0, subjectId = 0;
    for (int c = 0; c < classes.size(); ++c) {
        const DemoClass& klass = classes[c];
        const int classId = c + 1;
        classTable.Row({classId, Text(klass.level),
                        klass.branch[0] ? QVariant(Text(klass.branch)) : QVariant(), klass.method,
                        Text(klass.name)});
        for (const char* course : klass.courses) {
            ++courseId;
            courseTable.Row({courseId, classId, Text(course)});
            sections.append({courseId, c});
        }
        QList<int> ids;
        for (const auto& [name, branch] : klass.subjects) {
            ++subjectId;
            // History in the lower school takes no grades from the sheets.
            const bool editable = !(QByteArray(name) == "Ιστορία");
            subjectTable.Row({subjectId, name[0] ? QVariant(Text(name)) : QVariant(),
                              branch[0] ? QVariant(Text(branch)) : QVariant(), classId, editable});
            ids.append(subjectId);
        }
        subjectsOfClass.append(ids);
    }

    TableBuilder students = SchoolTables::Student();
    TableBuilder guardians = SchoolTables::Guardian();
    TableBuilder grades = SchoolTables::Grade();
    const int studentCount = 300;
    for (int s = 1; s <= studentCount; ++s) {
        const int studentId = 1000 + s;
        const Section& section = sections[(s * 7) % sections.size()];
        const DemoClass& klass = classes[section.classIndex];
        QString lastName = Text(kLastNames[random.bounded(int(std::size(kLastNames)))]);
        const QString firstName = Text(kFirstNames[random.bounded(int(std::size(kFirstNames)))]);
        if (s % 40 == 0)
            lastName = lastName.toUpper(); // as some offices typed them
        students.Row({studentId, lastName, firstName, QStringLiteral("Μ-%1").arg(s, 4, 10, QLatin1Char('0')),
                      section.courseId});
        if (s % 25 != 0) // a few students have no guardian record yet
            guardians.Row({studentId, Text(kFatherNames[random.bounded(int(std::size(kFatherNames)))])});
        for (const int subject : subjectsOfClass[section.classIndex]) {
            QVariantList row = SchoolTables::GradeRow(studentId, subject, random.bounded(20) != 0);
            // Numbered grades 1 to 3 already entered for most students.
            const int entered = random.bounded(4);
            for (int n = 0; n < entered; ++n) {
                const double grade = klass.method == 1 ? 8 + random.bounded(13) : random.bounded(21) / 2.0;
                row[SchoolTables::kFirstNumberedGradeColumn + n] = grade;
            }
            grades.Row(row);
        }
    }

    TableBuilder users = SchoolTables::User();
    const QString all = QString(32, QLatin1Char('1'));
    QString partial = QString(32, QLatin1Char('0'));
    partial[0] = QLatin1Char('1');
    partial[7] = QLatin1Char('1'); // may post grades
    users
        .Row({QStringLiteral("TALMIR"), QStringLiteral("TALMIR"), Text("Διαχείριση"), 0,
              QStringLiteral("2025"), all})
        .Row({Text("ΠΑΠΑΔΟΠΟΥΛΟΥ"), QStringLiteral("ΜΑΘ2025"), Text("Καθηγητές"), 2, QStringLiteral("2025"),
              partial})
        .Row({QStringLiteral("SECRETARY"), QStringLiteral("GRAMM1"), Text("Γραμματεία"), 3,
              QStringLiteral("2025"), QString(32, QLatin1Char('0'))})
        .Row({QStringLiteral("OLDUSER"), QStringLiteral("OLD2024"), Text("Καθηγητές"), 1,
              QStringLiteral("2024"), all});

    for (const TableBuilder* table : {&levels, &methods, &classTable, &courseTable, &subjectTable, &students,
                                      &guardians, &grades, &users})
        table->Write(folder);
}

void WriteGeneratedSchool(const QString& folder, const GeneratedSchoolSize& size) {
    if (!QDir().mkpath(folder))
        throw DatabaseError(QStringLiteral("Ο φάκελος \"%1\" δεν δημιουργήθηκε.").arg(folder));
    QRandomGenerator random(4242);
    TableBuilder levels = SchoolTables::Level();
    levels.Row({Text("ΓΥ"), Text("Γυμνάσιο")}).Row({Text("ΛΥ"), Text("Λύκειο")});
    TableBuilder methods = SchoolTables::Method();
    methods.Row({1, 1.0, 20.0});
    TableBuilder classTable = SchoolTables::Class();
    TableBuilder courseTable = SchoolTables::Course();
    TableBuilder subjectTable = SchoolTables::Subject();
    int subjectId = 0;
    for (int c = 1; c <= size.classes; ++c) {
        classTable.Row({c, c % 2 ? Text("ΓΥ") : Text("ΛΥ"), QVariant(), 1, Text("Τάξη %1").arg(c)});
        courseTable.Row({c, c, Text("Τμήμα %1").arg(c)});
        for (int s = 0; s < size.subjectsPerStudent; ++s)
            subjectTable.Row({++subjectId, Text("Μάθημα %1").arg(s + 1), QVariant(), c, true});
    }
    TableBuilder students = SchoolTables::Student();
    TableBuilder guardians = SchoolTables::Guardian();
    TableBuilder grades = SchoolTables::Grade();
    for (int s = 1; s <= size.students; ++s) {
        const int course = 1 + (s % size.classes);
        students.Row({s, Text(kLastNames[random.bounded(int(std::size(kLastNames)))]),
                      Text(kFirstNames[random.bounded(int(std::size(kFirstNames)))]), QString::number(s),
                      course});
        guardians.Row({s, Text(kFatherNames[random.bounded(int(std::size(kFatherNames)))])});
        for (int k = 0; k < size.subjectsPerStudent; ++k) {
            QVariantList row =
                SchoolTables::GradeRow(s, (course - 1) * size.subjectsPerStudent + k + 1, true);
            row[SchoolTables::kFirstNumberedGradeColumn] = 1.0 + random.bounded(20);
            grades.Row(row);
        }
    }
    TableBuilder users = SchoolTables::User();
    users.Row({QStringLiteral("TALMIR"), QStringLiteral("TALMIR"), Text("Διαχείριση"), 0,
               QStringLiteral("2025"), QString(32, QLatin1Char('1'))});
    for (TableBuilder* table : {&levels, &methods, &classTable, &courseTable, &subjectTable, &students,
                                &guardians, &grades, &users}) {
        if (!size.encrypted)
            table->Password(QString());
        table->Write(folder);
    }
}

} // namespace ekaldo::schooldb
