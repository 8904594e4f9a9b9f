#pragma once
// The Process page's captions and the rollback's texts, as the user sees
// them.

namespace process {

inline constexpr const char kPreparingCaption[] = "Предварительная настройка системы...";  // bold
inline constexpr const char kCopyingCaption[] = "Копирование файла";
inline constexpr const char kLinksCaption[] = "Создание ярлыков и папок...";
inline constexpr const char kOcxCaption[] = "Регистрация компонентов OCX...";
inline constexpr const char kConfigFilesCaption[] = "Настройка файлов конфигурации...";

// The AskDisk banner while a failed run is undone.
inline constexpr const char kRollbackBanner[] = "Отмена сделанных изменений...";

inline constexpr const char kEngineUpdateWarning[] =
    "Обновление версии библиотеки BDE для работы с базами данных завершено не до конца. Желательно "
    "полностью закончить установку программы, чтобы обеспечить полную функциональность этой библиотеки.";
inline constexpr const char kEngineUpdateCaption[] = "Внимание!";

// Where the step-14 share counts and the Uninstall entry live.
inline constexpr const char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr const char kEngineKey[] = "Software\\Borland\\Database Engine";

}  // namespace process
