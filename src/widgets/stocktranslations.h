#pragma once
// Qt's own Russian texts for the stock buttons and dialogs ("Да", "Нет", "Отмена", the file and
// colour dialogs).

namespace kv {

// Loads qtbase_ru from Qt's translations folder into the running application. False when the
// file is not installed: the program keeps working, with Qt's English stock texts.
bool installStockTranslations();

} // namespace kv
