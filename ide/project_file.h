#pragma once

// The project file of the IDE: a short text naming the project and its component files.
//
//     MorvaneProject 1
//     Name=Utilities
//     File=Strings.bas
//     File=/home/me/Shared/FileUtils.bas
//     End
//
// The first line is the magic word and the format version. Every following line is blank, a
// comment starting with ';' or '#', or Key=Value; keys compare without regard to case, unknown
// keys are skipped. "Name" is required once; "File" lines list the components in order, relative
// to the project file's folder or absolute. The line "End" closes the list, so a file cut short
// anywhere, even between two lines, is known as such. The text is UTF-8; lines end with a line
// feed (CR LF is taken too).

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ide {

inline constexpr int kProjectFormatVersion = 1;
// The project file's extension, without the dot.
inline const QString kProjectSuffix = QStringLiteral("mrvp");

enum ProjectFileError : int {
    errProjectFormat = -2147220393,   // not a project file, garbled or cut short
    errProjectVersion = -2147220392,  // written by a newer version of the format
};

struct ProjectFile {
    QString name;
    QStringList files;  // as written: relative to the project's folder, or absolute
};

// source names the file in the error. Throws mrv::Error.
ProjectFile parseProjectFile(const QByteArray& text, const QString& source);
// Throws mrv::Error (also errPathAccess when it cannot be read).
ProjectFile readProjectFile(const QString& path);
// Names with a line break cannot be written. Throws mrv::Error(errInvalidArgument).
QByteArray projectFileText(const ProjectFile& project);
// Replaces the file at path as a whole or not at all. Throws mrv::Error.
void writeProjectFile(const QString& path, const ProjectFile& project);

// Replaces the file at path by bytes as a whole or not at all. Throws mrv::Error(errPathAccess).
void replaceFile(const QString& path, const QByteArray& bytes);

// A component's path as the project file of folder writes it, and back.
QString relativeComponentPath(const QString& folder, const QString& path);
QString absoluteComponentPath(const QString& folder, const QString& written);

}  // namespace ide
