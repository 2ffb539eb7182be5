#pragma once

#include <QValidator>

namespace Tarn {

// Accepts the text of a folder that can take the program's files: an
// absolute path of this platform, in native or '/' separators, that passes
// the media library's path check, names an existing folder and can be
// written to. Every other text is invalid; there is no intermediate state,
// since the folders are chosen, never typed.
class FolderValidator : public QValidator
{
    Q_OBJECT
public:
    explicit FolderValidator(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

    static bool isAcceptable(const QString &folder);
};

} // namespace Tarn
