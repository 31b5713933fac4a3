#include "windows/upload_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vr {

UploadDialog::UploadDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Varenna Pro"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Enviando imagens ao servidor remoto..."), this));
  auto* buttons = new QHBoxLayout();
  auto* send = new QPushButton(QStringLiteral("&Enviar"), this);
  auto* cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(send);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

}  // namespace vr
