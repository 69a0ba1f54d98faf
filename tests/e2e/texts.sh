# The wizard's texts in both languages, verbatim, as the tests expect them:
# TEXT_EN[n] and TEXT_RU[n] are text n ("%s" is filled in by format_text).
TEXT_EN=(
  [0]='"%s" Setup Wizard'
  [1]='< &Back'
  [2]='&Next >'
  [3]='&Cancel'
  [4]='&Install'
  [5]='&Remove'
  [6]='&Finish'
  [7]='Welcome to "%s" Setup Wizard'
  [8]='"%s" Setup Wizard help you easy and quickly set up or remove "%s" program to/from you computer.'
  [9]='Select Setup Wizard language'
  [10]='For set up/remove "%s" program press button "Next".'
  [11]='For exit from Setup Wizard press button "Cancel".'
  [12]='Program service'
  [13]='Setting up and removing program.'
  [14]='Install'
  [15]='This option help you easy and quickly set up "%s" program to you computer.'
  [16]='Remove'
  [17]='This option help you easy and quickly remove "%s" program from you computer.'
  [18]='License Agreement'
  [19]='Please, read attentionly next License Agreement:'
  [20]='I am agreed with License Agreement conditions'
  [21]='I am not agreed with License Agreement conditions'
  [22]='Destination folder'
  [23]='Folder selection for setting up program.'
  [24]='Files will be copying to next directory:'
  [25]='If you want to set up  "%s" to other directory, press "%s" and select other setup directory.'
  [26]='Destination folder'
  [27]='Browse'
  [28]='Browse folders'
  [29]='Set up "%s" program'
  [30]='Setting up program components.'
  [31]='Now, there is "%s" setting up process. Wait few munites, please.'
  [32]='Copying file: '
  [33]='Registration DLL server: '
  [34]='Writing registry value: '
  [35]='Setting up links for program run:'
  [36]='Create working directories:'
  [37]='"%s" Setup Wizard final step'
  [38]='"%s" program successfully installed to you computer. Now, you can to run program by simply selecting link icons.'
  [39]='Press "%s", for exit from Setup Wizard.'
  [40]='Thank you for using our programs.'
  [41]='Add icon to "Start menu"'
  [42]='Add icon to "Programs menu"'
  [43]='Add icon to Desktop'
  [44]='Add icon to "Quick Start menu"'
  [45]='Run "%s" program'
  [46]='Remove "%s" program'
  [47]='Removing program components.'
  [48]='Now, there is "%s" removing process. Wait few munites, please.'
  [49]='Removing file: '
  [50]='Unregistration DLL server: '
  [51]='Removing registry value: '
  [52]='Removing links for program run:'
  [53]='"%s" Remove Wizard final step'
  [54]='"%s" program successfully removed from you computer.'
  [55]='Press "%s", for exit from Remove Wizard.'
  [56]='Thank you for using our programs.'
  [57]='The name of this folder has characters that this computer cannot use for the installation. Choose another folder.'
  [58]='The folder name has characters that this computer cannot use. Type another name.'
  [59]='The product is installed, but its uninstaller could not be written to "%s" (%s), so it cannot be removed from the list of programs.'
  [60]='There is not enough free space for the installation in "%s": %s MB are needed, %s MB are free. Choose another folder or free some space.'
  [63]="The installer is damaged: the data for '%s' is missing or damaged"
)
TEXT_RU=(
  [0]='Мастер установки "%s"'
  [1]='< &Назад'
  [2]='&Далее >'
  [3]='&Отмена'
  [4]='&Установить'
  [5]='&Удалить'
  [6]='&Готово'
  [7]='Вас приветствует Мастер установки "%s"'
  [8]='Мастер установки "%s" поможет Вам легко и быстро установить или удалить программу "%s" на вашем компьютере.'
  [9]='Выберите язык установки'
  [10]='Для установки/удаления программы "%s" нажмите кнопку "Далее".'
  [11]='Для выхода нажмите кнопку "Отмена".'
  [12]='Обслуживание программ'
  [13]='Установка или удаление программы.'
  [14]='Установить'
  [15]='Эта опция поможет Вам легко и быстро установить программу "%s" на ваш компьютер.'
  [16]='Удалить'
  [17]='Эта опция поможет Вам легко и быстро удалить программу "%s" с вашего компьютера.'
  [18]='Лицензионное соглашение'
  [19]='Пожалуйста, внимательно прочтите следующее лицензионное соглашение:'
  [20]='Я принимаю условия лицензионного соглашения'
  [21]='Я не принимаю условия лицензионного соглашения'
  [22]='Путь установки'
  [23]='Выбор директории для установки программы.'
  [24]='Файлы будут установлены в следующую директорию:'
  [25]='Если Вы хотите установить "%s" в другую директорию, то нажмите "%s" и укажите другую директорию установки.'
  [26]='Директория установки'
  [27]='Обзор'
  [28]='Обзор папок'
  [29]='Установка программы "%s"'
  [30]='Устанавливаются компоненты программы.'
  [31]='Идет установка программы "%s". Это может занять несколько минут.'
  [32]='Копирование файла:'
  [33]='Регистрация DLL сервера:'
  [34]='Запись значения в реестр:'
  [35]='Установка ссылок для запуска:'
  [36]='Создание рабочих директорий:'
  [37]='Завершение Мастера установки "%s"'
  [38]='Программа "%s" установлена на Ваш компьютер. Приложение можно запустить с помощью соответствующего значка.'
  [39]='Нажмите "%s", чтобы выйти из Мастера установки.'
  [40]='Благодарим Вас за использование наших программ.'
  [41]='Добавить значок в меню "Пуск"'
  [42]='Добавить значок в меню "Программы"'
  [43]='Положить значок на Рабочий стол'
  [44]='Добавить значок в панель "Быстрый запуск"'
  [45]='Запустить "%s"'
  [46]='Удаление программы "%s"'
  [47]='Удаляются компоненты программы.'
  [48]='Идет удаление программы "%s". Это может занять несколько минут.'
  [49]='Удаление файла: '
  [50]='Удаление DLL сервера: '
  [51]='Удаление значения из реестра: '
  [52]='Удаление ссылок для запуска:'
  [53]='Завершение Мастера удаления "%s"'
  [54]='Программа "%s" удалена с Вашего компьютера.'
  [55]='Нажмите "%s", чтобы выйти из Мастера удаления.'
  [56]='Благодарим Вас за использование наших программ.'
  [57]='Имя этой папки содержит символы, которые этот компьютер не может использовать при установке. Выберите другую папку.'
  [58]='Имя папки содержит символы, которые этот компьютер не может использовать. Введите другое имя.'
  [59]='Программа установлена, но программу удаления не удалось записать в "%s" (%s), поэтому её нельзя удалить из списка программ.'
  [60]='Недостаточно свободного места для установки в "%s": нужно %s МБ, свободно %s МБ. Выберите другую папку или освободите место.'
  [63]="Программа установки повреждена: данные для '%s' отсутствуют или повреждены"
)

# TEXT n of a language: text LANG N  (LANG en or ru).
text() {
  local -n table="TEXT_${1^^}"
  printf '%s' "${table[$2]}"
}

# A text with each "%s" replaced by the next argument, left to right; the
# arguments are inserted as they stand.
format_text() {
  local pattern=$1 out=""
  shift
  while [[ $pattern == *%s* && $# -gt 0 ]]; do
    out+="${pattern%%\%s*}$1"
    pattern=${pattern#*\%s}
    shift
  done
  printf '%s' "$out$pattern"
}

# Every control caption the wizard sets from its texts, as "NAME<TAB>TEXT"
# lines: expected_captions LANG PRODUCT COMPANY.
expected_captions() {
  local lang=$1 product=$2 company=$3
  local -n t="TEXT_${lang^^}"
  local row
  local rows=(
    "bbtnBack|${t[1]}"
    "bbtnNext|${t[2]}"
    "bbtnCancel|${t[3]}"
    "lbWelcomeInfo1|$(format_text "${t[7]}" "$product")"
    "lbWelcomeInfo2|$(format_text "${t[8]}" "$product" "$product")"
    "lbLangSel|${t[9]}"
    "lbSetupInfo1|$(format_text "${t[10]}" "$product")"
    "lbSetupInfo2|$(format_text "${t[11]}" "$product")"
    "lbProgramService1|${t[12]}"
    "lbProgramService2|$(format_text "${t[13]}" "$product")"
    "rbInstall|${t[14]}"
    "lbInstalInfo|$(format_text "${t[15]}" "$product")"
    "rbRemove|${t[16]}"
    "lbRemoveInfo|$(format_text "${t[17]}" "$product")"
    "lbLicInfo1|${t[18]}"
    "lbLicInfo2|${t[19]}"
    "rbLicOK|${t[20]}"
    "rbLicCancel|${t[21]}"
    "lbDestFolderInfo1|${t[22]}"
    "lbDestFolderInfo2|${t[23]}"
    "lbDestFolderInfo3|${t[24]}"
    "lbDestFolderInfo4|$(format_text "${t[25]}" "$product" "${t[27]}")"
    "grbxDestFolder|${t[26]}"
    "bbtnBrowse|${t[27]}"
    "lbCopyFilesInfo1|$(format_text "${t[29]}" "$product")"
    "lbCopyFilesInfo2|${t[30]}"
    "lbCopyFilesInfo3|$(format_text "${t[31]}" "$product")"
    "lbInstalledInfo1|$(format_text "${t[37]}" "$product")"
    "lbInstalledInfo2|$(format_text "${t[38]}" "$product")"
    "lbInstalledInfo3|$(format_text "${t[39]}" "${t[6]}")"
    "lbInstalledInfo4|${t[40]}"
    "cbAddIcon2Start|${t[41]}"
    "cbAddIcon2Programs|${t[42]}"
    "cbAddIcon2Desktop|${t[43]}"
    "cbAddIcon2QuickStart|${t[44]}"
    "cbRunProgram|$(format_text "${t[45]}" "$product")"
    "lbThankInstalledName|$company."
    "lbRemoveFilesInfo1|$(format_text "${t[46]}" "$product")"
    "lbRemoveFilesInfo2|${t[47]}"
    "lbRemoveFilesInfo3|$(format_text "${t[48]}" "$product")"
    "lbRemovedInfo1|$(format_text "${t[53]}" "$product")"
    "lbRemovedInfo2|$(format_text "${t[54]}" "$product")"
    "lbRemovedInfo3|$(format_text "${t[55]}" "${t[6]}")"
    "lbRemovedInfo4|${t[56]}"
    "lbThankRemovedName|$company."
  )
  for row in "${rows[@]}"; do printf '%s\t%s\n' "${row%%|*}" "${row#*|}"; done
}
