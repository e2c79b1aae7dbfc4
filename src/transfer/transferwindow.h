#pragma once

#include "app/formwindow.h"
#include "ui_transferwindow.h"

// "Transferência de cadastros": records of the earlier editions.
class TransferWindow : public FormWindow<Ui::TFtrans> {
    Q_OBJECT
  public:
    TransferWindow(Application& app, QWidget* parent) : FormWindow(app, parent) {}
};
