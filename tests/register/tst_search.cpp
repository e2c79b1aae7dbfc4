// The list pages of the register: word and date search, the range filter, ordering by
// the order button and by grid titles, and the listing buttons.

#include "app/application.h"
#include "app/mainwindow.h"
#include "controls.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/sharedtable.h"
#include "register/gridbinding.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "scripteddialogs.h"
#include "testenvironment.h"
#include "titles/titlecatalogue.h"
#include "windowsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

namespace {

using Fields = QMap<QString, QString>;

Fields record(const QString& name, const QString& city = {}, const QString& hearing = {},
              const QString& time = {}, const QString& processDate = {}) {
    Fields fields{{QStringLiteral("AGE_NOME"), name}};
    if (!city.isEmpty())
        fields.insert(QStringLiteral("AGE_CIDADE"), city);
    if (!hearing.isEmpty())
        fields.insert(QStringLiteral("AGE_DTAAUDIENCIA"), hearing);
    if (!time.isEmpty())
        fields.insert(QStringLiteral("AGE_HORAAUDIENCIA"), time);
    if (!processDate.isEmpty())
        fields.insert(QStringLiteral("AGE_DATAPROC"), processDate);
    return fields;
}

// An office's records for the tests; Código follows this order.
const QList<Fields> kOffice = {
    record(QStringLiteral("José da Silva"), QStringLiteral("SÃO PAULO"), QStringLiteral("31/12/2019"),
           QStringLiteral("10:00"), QStringLiteral("15/08/2020")),
    record(QStringLiteral("João Pereira"), QStringLiteral("Campinas"), QStringLiteral("01/01/2020"),
           QStringLiteral("09:00"), QStringLiteral("15/8/2020")),
    record(QStringLiteral("Ana D'Avila"), QStringLiteral("Santos"), QStringLiteral("31/01/2020"),
           QStringLiteral("14:30"), QStringLiteral("16/08/2020")),
    record(QStringLiteral("joana Prado"), QStringLiteral("São Paulo"), QStringLiteral("15/01/2020"),
           QStringLiteral("08:15"), QStringLiteral("15/08/20")),
    record(QStringLiteral("Bruno Alves"), QStringLiteral("campinas"), QStringLiteral("01/02/2020")),
    record(QStringLiteral("Éder Costa"), QString(), QString()),
    record(QStringLiteral("50% Ltda"), QStringLiteral("Osasco"), QStringLiteral("10/01/2020")),
    record(QStringLiteral("500 Comércio"), QStringLiteral("Osasco"), QStringLiteral("10/01/2020"),
           QStringLiteral("07:00")),
};

QStringList visibleNames(const SharedTable& table) {
    QStringList names;
    for (int row = 0; row < table.recordCount(); ++row)
        names << table.cellText(row, 1);
    return names;
}

struct Fixture {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    RegisterWindow* cadastro = nullptr;
    SharedTable* table = nullptr;

    explicit Fixture(const QList<Fields>& records = kOffice) {
        env.install();
        env.addRecords(records);
        app = startProgram(env);
        cadastro = app->cadastro();
        table = app->dataModule()->ADOTable1;
    }
    void openPage(int page) { openRegister(*app, page); }
    template <typename T = QWidget> T* get(const char* name) { return control<T>(cadastro, name); }
    void chooseFilterEntry(int index) {
        auto* list = get<QComboBox>("Cfiltro");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void chooseOrderEntry(int index) {
        auto* list = get<QComboBox>("Cordenar");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void setRange(const QString& first, const QString& last) {
        get<QLineEdit>("EDatainifiltro")->setText(first);
        get<QLineEdit>("EDatafimfiltro")->setText(last);
    }
    void clickTitle(const char* grid, int column) {
        auto* view = get<QTableView>(grid);
        QHeaderView* header = view->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

  private slots:
    void wordSearchAtEveryKeystroke() {
        Fixture f;
        f.openPage(7);
        auto* word = f.get<QLineEdit>("Efiltro");
        QCOMPARE(f.get<QComboBox>("Cfiltro")->currentText(), QStringLiteral("Nome"));
        typeText(word, QStringLiteral("J"));
        QCOMPARE(f.table->filterText(), QStringLiteral("AGE_NOME LIKE 'J%'"));
        QCOMPARE(visibleNames(*f.table), (QStringList{"José da Silva", "João Pereira", "joana Prado"}));
        QTest::keyClicks(word, QStringLiteral("o"));
        QCOMPARE(f.table->filterText(), QStringLiteral("AGE_NOME LIKE 'Jo%'"));
        QTest::keyClicks(word, QStringLiteral("se"));
        QCOMPARE(visibleNames(*f.table), QStringList{"José da Silva"}); // "jose" finds "José"

        // Erasing leaves the last filter in force; "Limpar Consulta" shows everything.
        word->clear();
        QCOMPARE(f.table->filterText(), QStringLiteral("AGE_NOME LIKE 'Jose%'"));
        QCOMPARE(f.table->recordCount(), 1);
        QTest::mouseClick(f.get<QPushButton>("Button4"), Qt::LeftButton);
        QCOMPARE(f.table->recordCount(), kOffice.size());
        QVERIFY(!f.table->filtered());
        QCOMPARE(f.table->filterText(), QStringLiteral("AGE_NOME LIKE 'Jose%'"));
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void wordSearchTexts_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("accents and case")
            << 3 << "sao"
            << "AGE_CIDADE LIKE 'sao%'" << QStringList{"José da Silva", "joana Prado"};
        QTest::newRow("case of the first letter")
            << 3 << "CAMP"
            << "AGE_CIDADE LIKE 'CAMP%'" << QStringList{"João Pereira", "Bruno Alves"};
        QTest::newRow("quote doubled") << 0 << "Ana D'A"
                                       << "AGE_NOME LIKE 'Ana D''A%'" << QStringList{"Ana D'Avila"};
        QTest::newRow("percent is a plain character") << 0 << "50%"
                                                      << "AGE_NOME LIKE '50%%'" << QStringList{"50% Ltda"};
        QTest::newRow("underscore is a plain character") << 0 << "5_"
                                                         << "AGE_NOME LIKE '5_%'" << QStringList{};
        QTest::newRow("injection finds nothing") << 0 << "x' OR '1'='1"
                                                 << "AGE_NOME LIKE 'x'' OR ''1''=''1%'" << QStringList{};
        QTest::newRow("second Nome is the client's")
            << 19 << "jo"
            << "AGE_NOME LIKE 'jo%'" << QStringList{"José da Silva", "João Pereira", "joana Prado"};
        QTest::newRow("hearing time")
            << 18 << "1"
            << "AGE_HORAAUDIENCIA LIKE '1%'" << QStringList{"José da Silva", "Ana D'Avila"};
    }
    void wordSearchTexts() {
        QFETCH(int, entry);
        QFETCH(QString, typed);
        QFETCH(QString, expression);
        QFETCH(QStringList, found);
        Fixture f;
        f.openPage(7);
        f.chooseFilterEntry(entry);
        typeText(f.get<QLineEdit>("Efiltro"), typed);
        QCOMPARE(f.table->filterText(), expression);
        QCOMPARE(visibleNames(*f.table), found);
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.env.recordCount(), kOffice.size());
    }

    // A filter-list text that names no field gives an expression the table refuses: it is
    // reported, and the last expression that could be applied stays for the date filters.
    void expressionWithoutAColumnIsRefused() {
        Fixture f;
        f.openPage(7);
        typeText(f.get<QLineEdit>("Efiltro"), QStringLiteral("J"));
        f.get<QComboBox>("Cfiltro")->setEditText(QStringLiteral("Apelido"));
        QTest::keyClicks(f.get<QLineEdit>("Efiltro"), QStringLiteral("o"));
        QCOMPARE(f.table->filterText(), QStringLiteral("AGE_NOME LIKE 'J%'"));
        QVERIFY(!f.table->filtered());
        QCOMPARE(f.table->recordCount(), kOffice.size());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().icon, Dialogs::Icon::Error);
        QCOMPARE(f.dialogs.shown.first().text, QStringLiteral("Expressão de filtro inválida: 'Jo%'"));

        f.dialogs.clear();
        f.openPage(6);
        f.setRange(QStringLiteral("01/01/2020"), QStringLiteral("31/01/2020"));
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(f.table->filtered());
        QCOMPARE(visibleNames(*f.table), (QStringList{"João Pereira", "joana Prado"}));
    }

    void rangeFilter_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("January, ends included")
            << "01/01/2020"
            << "31/01/2020"
            << QStringList{"João Pereira", "Ana D'Avila", "joana Prado", "50% Ltda", "500 Comércio"};
        QTest::newRow("one day") << "15/01/2020"
                                 << "15/01/2020" << QStringList{"joana Prado"};
        QTest::newRow("reversed range") << "31/01/2020"
                                        << "01/01/2020" << QStringList{};
        QTest::newRow("dates compared as dates")
            << "31/12/2019"
            << "01/01/2020" << QStringList{"José da Silva", "João Pereira"};
    }
    void rangeFilter() {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QStringList, found);
        Fixture f;
        f.openPage(6);
        f.setRange(first, last);
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(visibleNames(*f.table), found);
        QVERIFY(f.dialogs.shown.isEmpty());
        // The grids, the record pages and the count follow the table.
        QCOMPARE(f.get<QTableView>("DBformulario")->model()->rowCount(), found.size());
        QTest::mouseClick(f.get<QPushButton>("Button1"), Qt::LeftButton);
        QCOMPARE(f.table->recordCount(), kOffice.size());
    }

    void rangeFilterWithoutDates() {
        Fixture f;
        f.openPage(6);
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(), (QStringList{"Digite a data inicial", "Digite a data final"}));
        QVERIFY(f.table->filtered());
        QCOMPARE(f.table->recordCount(), 0);
        f.dialogs.clear();
        f.setRange(QStringLiteral("01/01/2020"), QString());
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(), QStringList{"Digite a data final"});
    }

    void wordSearchStaysUnderTheRangeFilter() {
        Fixture f;
        f.openPage(7);
        QTest::keyClicks(f.get<QLineEdit>("Efiltro"), QStringLiteral("Jo"));
        QTest::mouseClick(f.get<QPushButton>("Button4"), Qt::LeftButton);
        f.openPage(6);
        f.setRange(QStringLiteral("01/01/2020"), QStringLiteral("31/01/2020"));
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(visibleNames(*f.table), (QStringList{"João Pereira", "joana Prado"}));
        // A later order keeps the filter as it was set, whatever page is shown.
        f.openPage(5);
        f.chooseOrderEntry(1);
        QTest::mouseClick(f.get<QToolButton>("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(visibleNames(*f.table), (QStringList{"joana Prado", "João Pereira"}));
    }

    void unreadableStoredDatesAreReportedOnce() {
        Fixture f({record(QStringLiteral("A"), {}, QStringLiteral("31/02/2020")),
                   record(QStringLiteral("B"), {}, QStringLiteral("15/13/2020")),
                   record(QStringLiteral("C"), {}, QStringLiteral("10/01/2020")),
                   record(QStringLiteral("D"), {}, QStringLiteral("sem data"))});
        f.openPage(6);
        f.setRange(QStringLiteral("01/01/2020"), QStringLiteral("31/12/2020"));
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(visibleNames(*f.table), QStringList{"C"});
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().icon, Dialogs::Icon::Error);
        QVERIFY(f.dialogs.shown.first().text.startsWith(QStringLiteral("2 registro(s)")));

        // A range box that cannot be read as a date: the reader's error, nothing shown.
        f.dialogs.clear();
        f.setRange(QStringLiteral("32/01/2020"), QStringLiteral("31/12/2020"));
        QTest::mouseClick(f.get<QPushButton>("BtnFiltrar"), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(), QStringList{"'32/01/2020' is not a valid date"});
        QCOMPARE(f.table->recordCount(), 0);
    }

    void singleDateSearch() {
        Fixture f;
        f.openPage(7);
        f.chooseFilterEntry(15); // "Data do Processo:"
        QCOMPARE(f.get<QComboBox>("Cfiltro")->currentText(), QStringLiteral("Data do Processo:"));
        QVERIFY(!f.get<QLineEdit>("Efiltro")->isEnabled());
        QVERIFY(!f.get<QLabel>("Lpalavra")->isEnabled());
        QVERIFY(f.get<QLineEdit>("Efiltrodata")->isEnabled());
        QVERIFY(f.get<QPushButton>("Bfiltrodata")->isEnabled());
        QVERIFY(f.get<QLabel>("Ldata")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), f.get<QLineEdit>("Efiltrodata"));

        QTest::mouseClick(f.get<QPushButton>("Bfiltrodata"), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(), QStringList{"Digite a data"});
        QCOMPARE(f.table->recordCount(), 0);

        f.get<QLineEdit>("Efiltrodata")->setText(QStringLiteral("15/08/2020"));
        QTest::mouseClick(f.get<QPushButton>("Bfiltrodata"), Qt::LeftButton);
        QCOMPARE(visibleNames(*f.table), (QStringList{"José da Silva", "João Pereira", "joana Prado"}));

        // Back to word mode: the date box is emptied, the filter stays.
        f.chooseFilterEntry(0);
        QVERIFY(f.get<QLineEdit>("Efiltro")->isEnabled());
        QVERIFY(f.get<QLineEdit>("Efiltrodata")->text().isEmpty());
        QCOMPARE(f.table->recordCount(), 3);
    }

    void orderButtonFlipsItsCaption() {
        Fixture f;
        f.openPage(5);
        auto* button = f.get<QToolButton>("SpeedButton1");
        QCOMPARE(button->text(), QStringLiteral("A-Z Indexar"));
        f.chooseOrderEntry(1); // Nome
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Z-A Indexar"));
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_NOME ASC"));
        // Portuguese order, without regard to case or accents.
        QCOMPARE(visibleNames(*f.table),
                 (QStringList{"50% Ltda", "500 Comércio", "Ana D'Avila", "Bruno Alves", "Éder Costa",
                              "joana Prado", "João Pereira", "José da Silva"}));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("A-Z Indexar"));
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_NOME DESC"));
        QCOMPARE(visibleNames(*f.table).first(), QStringLiteral("José da Silva"));

        QTest::mouseClick(button, Qt::LeftButton);
        f.chooseOrderEntry(18); // Data da Audiência
        QCOMPARE(button->text(), QStringLiteral("A-Z Indexar"));
        QTest::mouseClick(button, Qt::LeftButton);
        // Chronological, the records without a date first.
        QCOMPARE(visibleNames(*f.table),
                 (QStringList{"Éder Costa", "José da Silva", "João Pereira", "50% Ltda", "500 Comércio",
                              "joana Prado", "Ana D'Avila", "Bruno Alves"}));

        // The second "Nome" of the order list orders by the client's name.
        f.chooseOrderEntry(20);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_NOME ASC"));
        // Typing an entry's name and leaving the list is not choosing it.
        auto* orderList = f.get<QComboBox>("Cordenar");
        orderList->setFocus();
        orderList->lineEdit()->selectAll();
        QTest::keyClicks(orderList->lineEdit(), QStringLiteral("Cidade"));
        f.get<QLineEdit>("Efiltro")->setFocus();
        QTest::keyClick(orderList->lineEdit(), Qt::Key_Return);
        QCOMPARE(button->text(), QStringLiteral("Z-A Indexar"));
        // A typed entry that names no field only flips the caption.
        f.get<QComboBox>("Cordenar")->setEditText(QStringLiteral("nada"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("A-Z Indexar"));
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_NOME ASC"));
    }

    void gridTitlesOrderAndPaintTheColumn() {
        Fixture f;
        f.openPage(5);
        GridBinding* grid = f.cadastro->orderGrid();
        f.clickTitle("DBAlfabetico", 4); // Cidade
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_CIDADE ASC"));
        QCOMPARE(grid->highlightedColumn(), 4);
        QCOMPARE(grid->model()->data(grid->model()->index(0, 4), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::blue));
        QVERIFY(!grid->model()->data(grid->model()->index(0, 1), Qt::ForegroundRole).isValid());
        f.clickTitle("DBAlfabetico", 1); // Nome
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_NOME DESC"));
        QCOMPARE(grid->highlightedColumn(), 1);

        // The hearing grid does not flip the caption: with "A-Z Indexar", descending both times.
        f.openPage(6);
        QCOMPARE(f.get<QToolButton>("SpeedButton1")->text(), QStringLiteral("A-Z Indexar"));
        f.clickTitle("DBformulario", 1);
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_CIDADE DESC"));
        f.clickTitle("DBformulario", 1);
        QCOMPARE(f.table->sort(), QStringLiteral("AGE_CIDADE DESC"));
        QCOMPARE(f.cadastro->hearingGrid()->highlightedColumn(), 1);

        // Column titles of the three grids.
        const auto titles = [&f](const char* name) {
            QStringList result;
            QAbstractItemModel* model = f.get<QTableView>(name)->model();
            for (int i = 0; i < model->columnCount(); ++i)
                result << model->headerData(i, Qt::Horizontal).toString();
            return result;
        };
        QCOMPARE(titles("DBAlfabetico").size(), 23);
        QCOMPARE(titles("DBAlfabetico")[21], QStringLiteral("Advogado  P. Contr."));
        QCOMPARE(titles("DBfiltro")[10], QStringLiteral("CIC"));
        QCOMPARE(titles("DBformulario"), (QStringList{"Nome", "Cidade", "Número do Processo", "Vara", "Ação",
                                                      "Data da Audiência", "Hora da Audiência"}));
    }

    // Each grid sizes its columns to their titles and to the first screen of rows when it is
    // first shown; a width the user drags stays.
    void gridColumnsFitTheirTexts() {
        const QString longName = QStringLiteral("Maria Aparecida Conceição Silva"); // 31 characters
        Fixture f({Fields{{"AGE_NOME", longName}, {"AGE_DTAAUDIENCIA", QStringLiteral("14/03/2025")}}});
        for (const auto& [page, grid] :
             {std::pair{5, "DBAlfabetico"}, std::pair{6, "DBformulario"}, std::pair{7, "DBfiltro"}}) {
            f.openPage(page);
            auto* view = f.get<QTableView>(grid);
            const QFontMetrics metrics = view->fontMetrics();
            const auto* model = static_cast<const GridModel*>(view->model());
            const auto columnOf = [model](const char* field) {
                for (int column = 0; column < model->columnCount(); ++column) {
                    if (model->field(column) == QString::fromUtf8(field))
                        return column;
                }
                return -1;
            };
            QVERIFY2(view->columnWidth(columnOf("AGE_NOME")) >= metrics.horizontalAdvance(longName), grid);
            QVERIFY2(view->columnWidth(columnOf("AGE_DTAAUDIENCIA")) >=
                         metrics.horizontalAdvance(
                             model->headerData(columnOf("AGE_DTAAUDIENCIA"), Qt::Horizontal).toString()),
                     grid);
        }
        auto* view = f.get<QTableView>("DBfiltro");
        view->setColumnWidth(0, 55);
        f.openPage(1);
        f.openPage(7);
        QCOMPARE(view->columnWidth(0), 55);
    }

    void cellClickOpensTheRecord() {
        Fixture f;
        f.openPage(7);
        auto* view = f.get<QTableView>("DBfiltro");
        const QRect cell = view->visualRect(view->model()->index(4, 1));
        QTest::mouseMove(view->viewport(), cell.center());
        QCOMPARE(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(f.get<QTabWidget>("Cliente")->currentIndex(), 1);
        QCOMPARE(f.get<QLineEdit>("DBnome")->text(), QStringLiteral("Bruno Alves"));
    }

    void hearingGridEditsInPlace() {
        Fixture f;
        f.openPage(6);
        auto* view = f.get<QTableView>("DBformulario");
        QAbstractItemModel* model = view->model();
        QVERIFY(model->setData(model->index(2, 6), QStringLiteral("16:00")));
        QCOMPARE(f.table->state(), SharedTable::State::Edit);
        view->setCurrentIndex(model->index(3, 6)); // leaving the row saves it
        QCOMPARE(f.table->state(), SharedTable::State::Browse);
        QCOMPARE(f.env.storedText(3, QStringLiteral("AGE_HORAAUDIENCIA")), QStringLiteral("16:00"));
        QVERIFY(
            !(f.get<QTableView>("DBAlfabetico")->model()->flags(model->index(0, 1)) & Qt::ItemIsEditable));
    }

    void ctrlDeleteAsksFirst() {
        Fixture f;
        f.openPage(5);
        auto* view = f.get<QTableView>("DBAlfabetico");
        f.table->moveTo(1);
        f.dialogs.setNextAnswer(Dialogs::Button::Cancel);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.env.recordCount(), kOffice.size());
        f.dialogs.setNextAnswer(Dialogs::Button::Ok);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.env.recordCount(), kOffice.size() - 1);
        QCOMPARE(f.dialogs.shown.size(), 2);
        QVERIFY(!visibleNames(*f.table).contains(QStringLiteral("João Pereira")));
    }

    void hearingAgendaListing_data() {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("order");
        QTest::newRow("by name") << true << "AGE_NOME;AGE_DTAAUDIENCIA;AGE_HORAAUDIENCIA";
        QTest::newRow("by city") << false << "AGE_CIDADE;AGE_DTAAUDIENCIA;AGE_HORAAUDIENCIA";
    }
    void hearingAgendaListing() {
        QFETCH(bool, byName);
        QFETCH(QString, order);
        Fixture f;
        control<QRadioButton>(f.app->config(), byName ? "Rnome" : "Rdata")->setChecked(true);
        f.openPage(6);
        QTest::mouseClick(f.get<QPushButton>("BTNFormulario"), Qt::LeftButton);
        QCOMPARE(f.table->sort(), order);
        QCOMPARE(f.cadastro->refx, QStringLiteral("1"));
        QVERIFY(!f.cadastro->isVisible());
        QVERIFY(f.app->impressao()->isVisible());
        QList<GridColumn> expected{{"AGE_NOME", "Nome"},
                                   {"AGE_CIDADE", "Cidade"},
                                   {"AGE_PROC", "Nº do Processo:"},
                                   {"AGE_VARA", "Vara:"},
                                   {"AGE_ACAO", "Tipo de Ação:"},
                                   {"AGE_DTAAUDIENCIA", "Data da Audiência"},
                                   {"AGE_HORAAUDIENCIA", "Hora da Audiência:"}};
        QCOMPARE(f.app->impressao()->columnSet(), expected);
        if (!byName) // city (case aside), then date, then time (none first)
            QCOMPARE(visibleNames(*f.table).mid(0, 5),
                     (QStringList{"Éder Costa", "João Pereira", "Bruno Alves", "50% Ltda", "500 Comércio"}));
    }

    void queryListingKeepsTheColumnSet() {
        Fixture f;
        f.openPage(7);
        const QList<GridColumn> before = f.app->impressao()->columnSet();
        QCOMPARE(before.size(), 10);
        QTest::mouseClick(f.get<QPushButton>("Button3"), Qt::LeftButton);
        QCOMPARE(f.cadastro->refx, QStringLiteral("1"));
        QVERIFY(!f.cadastro->isVisible());
        QVERIFY(f.app->impressao()->isVisible());
        QCOMPARE(f.app->impressao()->columnSet().size(), 10);
    }

    void chooserGetsTheThirtyOneTitles() {
        Fixture f;
        f.openPage(6);
        QTest::mouseClick(f.get<QPushButton>("Button7"), Qt::LeftButton);
        QVERIFY(!f.cadastro->isVisible());
        QVERIFY(f.app->campos()->isVisible());
        auto* list = control<QListWidget>(f.app->campos(), "CheckListBox1");
        QCOMPARE(list->count(), 31);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Nome"));
        QCOMPARE(list->item(7)->text(), QStringLiteral("UF"));
        QCOMPARE(list->item(30)->text(), QStringLiteral("Celular"));
        for (int i = 0; i < list->count(); ++i) {
            QVERIFY(list->item(i)->text() != QStringLiteral("E-mail"));
            QCOMPARE(list->item(i)->checkState(), Qt::Unchecked);
        }
    }
};

VELMORA_WINDOW_TEST_MAIN(TestSearch)

#include "tst_search.moc"
