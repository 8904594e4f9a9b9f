#pragma once
// The user-visible texts of the wizard's dialogs and of the background
// window (code page 1251 once compiled).

namespace wizard::texts {

// Overwrite confirmation.
inline constexpr char kOverwriteCaption[] = "Запрос на подтверждение перезаписи файла";
inline constexpr char kOverwriteExplanation[] =
    "Файл, уже существующий на диске, имеет более позднюю версию или дату создания, чем файл из "
    "установочного пакета.";
inline constexpr char kOverwriteGroupPrefix[] = "Заменить этот файл из группы \"";
inline constexpr char kYes[] = "Да";
inline constexpr char kYesToAll[] = "Да для всех";
inline constexpr char kNo[] = "Нет";
inline constexpr char kNoToAll[] = "Нет для всех";

// Diskette prompt.
inline constexpr char kFloppyCaption[] = "Продолжение установки";
inline constexpr char kFloppyText[] = "Вставьте в дисковод следующую дискету";
inline constexpr char kFloppyContinue[] = "Продолжить";
inline constexpr char kFloppyCancel[] = "Отменить";

// Next-volume prompt.
inline constexpr char kVolumeCaption[] = "Выбор каталога";
inline constexpr char kVolumeText[] = "Укажите местоположение следующего установочного диска:";
inline constexpr char kVolumeBrowseHint[] = "Выбрать папку из существующих на диске";
inline constexpr char kVolumeFilterName[] = "Следующий том";
inline constexpr char kVolumeCancel[] = "&Отменить";

// Licence agreement.
inline constexpr char kLicenceCaption[] = "Лицензионное соглашение";
inline constexpr char kLicenceHeading[] = "Внимательно ознакомтесь с данным ЛИЦЕНЗИОННЫМ СОГЛАШЕНИЕМ";
inline constexpr char kLicenceAccept[] = "&Принимаю";
inline constexpr char kLicenceDecline[] = "&Не принимаю";

// Readme viewer.
inline constexpr char kReadmeCaption[] = "Просмотр информационного файла";

}  // namespace wizard::texts
