#include "windows/upload_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vr {

UploadDialog::UploadDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(tr("Varenna Pro"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Enviando imagens ao servidor remoto..."), this));
  auto* buttons = new QHBoxLayout();
  auto* send = new QPushButton(tr("&Enviar"), this);
  auto* cancel = new QPushButton(tr("&Cancelar"), this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(send);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

}  // namespace vr
