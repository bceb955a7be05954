// SPDX-License-Identifier: LGPL-2.1-or-later
// The window shows every list value as the parameter model writes it: for each item of each
// list a page binds, a query of that stored byte selects the item whose text is the model's
// text of those bytes, in Chinese and in English. readerctl prints the same model texts, so
// the window and the command line cannot drift apart.

#include "app/StartupOptions.h"
#include "model/Codec.h"
#include "model/Parameters.h"
#include "params/CommPortPage.h"
#include "params/ExtendedFunctionPage.h"
#include "params/ModelItems.h"
#include "params/PageIndex.h"
#include "params/PositioningPage.h"
#include "params/ProductPage.h"
#include "params/RfBasicPage.h"
#include "params/RfChannelPage.h"
#include "params/RfPage.h"
#include "tests/support/PageTestSupport.h"

#include <QApplication>
#include <QTranslator>

#include <functional>
#include <memory>

namespace {

struct Binding {
    const char* control;
    const model::Parameter* field;
};

// Queries every stored value that has an item in each bound list and compares what the
// list shows with the model's text.
template <typename Page>
void checkBindings(const std::function<void(Page&)>& query, std::initializer_list<Binding> bindings,
                   int band = model::kDefaultBandVariant) {
    PageOnFake<Page> fixture;
    if constexpr (std::is_base_of_v<ParameterPage, Page>) {
        fixture.page.formShow(WindowVariants{0, band});
    }
    const model::Context context = windowContext(band);
    for (const Binding& binding : bindings) {
        const model::List& items = *binding.field->list;
        for (int position = 0; position < model::itemCount(items, context); ++position) {
            const auto stored = static_cast<std::uint8_t>(model::storedValue(items, position));
            fixture.library.memory[static_cast<std::size_t>(binding.field->address)] = stored;
            query(fixture.page);
            const std::string text = model::toText(*binding.field, std::span(&stored, 1), context);
            QCOMPARE(controlValue(fixture.page, binding.control), QString::fromStdString(text));
        }
    }
}

}  // namespace

class TestModelWindow : public QObject {
    Q_OBJECT

  private slots:
    void listsShowTheModelsTexts_data();
    void listsShowTheModelsTexts();
};

void TestModelWindow::listsShowTheModelsTexts_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Chinese") << QStringLiteral("zh");
    QTest::newRow("English") << QStringLiteral("en");
}

void TestModelWindow::listsShowTheModelsTexts() {
    QFETCH(QString, language);
    QTranslator translator;
    QVERIFY(installInterfaceTranslation(language, translator));
    QCOMPARE(windowLanguage(),
             language == "en" ? model::Language::English : model::Language::Chinese);

    checkBindings<CommPortPage>([](CommPortPage& page) { page.QueryCommPortParameters(); },
                                {{"ComboBox12", &model::rs485BaudRate},
                                 {"ComboBox11", &model::wiegandProtocol},
                                 {"ComboBox9", &model::wiegandInterval},
                                 {"ComboBox27", &model::wiegandStartByte}});
    checkBindings<ExtendedFunctionPage>(
        [](ExtendedFunctionPage& page) { page.QueryExtendedParameters(); },
        {{"ComboBox19", &model::tagSuppression}, {"ComboBox15", &model::encryptionMode}});
    checkBindings<PositioningPage>([](PositioningPage& page) { page.QueryPositioningParameters(); },
                                   {{"ComboBox13", &model::positioningSensitivity},
                                    {"ComboBox18", &model::tagFailureJudgement}});
    checkBindings<ProductPage>(
        [](ProductPage& page) { page.QueryProductParameters(); },
        {{"ComboBox16", &model::pcbIdentifier}, {"ComboBox17", &model::pcbVersion}});
    for (int band : {0, 1}) {
        checkBindings<RfPage>(
            [band](RfPage& page) {
                page.rfBasicPage()->formShow(WindowVariants{0, band});
                page.rfChannel1Page()->formShow(WindowVariants{0, band});
                page.rfChannel2Page()->formShow(WindowVariants{0, band});
                page.QueryRfBasicParameters();
                page.QueryRfChannel1Parameters();
                page.QueryRfChannel2Parameters();
            },
            {{"ComboBox5", &model::attenuation1},
             {"ComboBox8", &model::attenuation2},
             {"ComboBox3", &model::rfModules[0].tagType},
             {"ComboBox34", &model::rfModules[0].frequency},
             {"ComboBox52", &model::rfModules[7].frequency},
             {"ComboBox54", &model::rfModules[7].tagType}},
            band);
    }
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(TestModelWindow)
#include "tst_modelwindow.moc"
