#include <QFileInfo>

#include "CTRKDlg.h"

// Opens a folder named by path as OPEN does after its picker.
void CTRKDlg::OpenPath(const QString& pathOrUri) {
  if (QFileInfo(pathOrUri).isDir()) OpenFolderWhenReady(pathOrUri);
}
