<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Orvel</source>
        <translation>Orvel について</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>バージョン</translation>
    </message>
    <message>
        <source>This software has been made using Qt of the GNU Lesser General Public License.</source>
        <translation>このソフトウェアは、GNU Lesser General Public License の下で提供されている Qt を使用して作成されています。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>--selection looks up the selected text, not a word.</source>
        <translation>--selection は選択されたテキストを検索します。単語は指定できません。</translation>
    </message>
    <message>
        <source>No selection could be read: the program that holds it does not answer.</source>
        <translation>選択されたテキストを読み取れませんでした: それを持つプログラムが応答しません。</translation>
    </message>
    <message>
        <source>--popup shows a word, or with --selection the selected text.</source>
        <translation>--popup は単語を、--selection と合わせると選択されたテキストを表示します。</translation>
    </message>
    <message>
        <source>Usage: orvel [--popup] [--selection | WORD...]</source>
        <translation>使い方: orvel [--popup] [--selection | 単語...]</translation>
    </message>
    <message>
        <source>Shows WORD in Orvel&apos;s window; with Orvel running already, in that window.

  --selection   look up the text selected in any program (the primary
                selection, or the clipboard where there is none)
  --popup       show it in a small window beside the mouse pointer
                instead, leaving Orvel&apos;s window where it is
  -h, --help    show this help
  --version     show the version
</source>
        <translation>単語 (WORD) を Orvel のウィンドウに表示します。Orvel が既に起動しているときは、そのウィンドウに表示します。

  --selection   任意のプログラムで選択されているテキストを検索します (プライマリ
                セレクション、それがなければクリップボード)
  --popup       Orvel のウィンドウはそのままに、マウスポインタの横の小さな
                ウィンドウに表示します
  -h, --help    このヘルプを表示します
  --version     バージョンを表示します
</translation>
    </message>
    <message>
        <source>No text is selected: the pop-up has nothing to show.</source>
        <translation>テキストが選択されていません: ポップアップに表示するものがありません。</translation>
    </message>
    <message>
        <source>Orvel is running but takes no word now: every connection to it is in use. Please try again.</source>
        <translation>Orvel は実行中ですが、今は単語を受け付けません: Orvel への接続がすべて使用中です。もう一度お試しください。</translation>
    </message>
</context>
<context>
    <name>ConclusionPage</name>
    <message>
        <source>Conclusion</source>
        <translation>完了</translation>
    </message>
    <message>
        <source>Congratulations, you can look up words.</source>
        <translation>おめでとうございます。これで単語を引けるようになりました。</translation>
    </message>
</context>
<context>
    <name>ConvertPage</name>
    <message>
        <source>Processing</source>
        <translation>処理中</translation>
    </message>
    <message>
        <source>Now creating indexes of entry words, please wait for a minute.</source>
        <translation>見出し語の索引を作成しています。しばらくお待ちください。</translation>
    </message>
    <message>
        <source>Processing...</source>
        <translation>処理しています...</translation>
    </message>
    <message>
        <source>Nothing was installed. Click Back to choose another file.</source>
        <translation>辞書はインストールされませんでした。[戻る] をクリックして、別のファイルを選んでください。</translation>
    </message>
    <message>
        <source>Nothing was installed. Click Back to change the name.</source>
        <translation>辞書はインストールされませんでした。[戻る] をクリックして、名前を変えてください。</translation>
    </message>
    <message>
        <source>Installed: %1 entry lines.</source>
        <translation>インストールしました：見出し行 %1 行。</translation>
    </message>
</context>
<context>
    <name>ConvertThread</name>
    <message>
        <source>canceled</source>
        <translation>キャンセルされました</translation>
    </message>
    <message>
        <source>cannot begin a transaction on the database: %1</source>
        <translation>データベースのトランザクションを開始できません: %1</translation>
    </message>
    <message>
        <source>no dictionary file was named</source>
        <translation>辞書ファイルが指定されていません</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 を開けません: %2</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 を読み込めません: %2</translation>
    </message>
    <message>
        <source>%1 is not a dictionary text file (binary data at byte %2)</source>
        <translation>%1 は辞書のテキストファイルではありません (%2 バイト目にバイナリデータがあります)</translation>
    </message>
    <message>
        <source>cannot write the index: %1</source>
        <translation>索引を書き込めません: %1</translation>
    </message>
    <message>
        <source>no Shift_JIS decoder is available</source>
        <translation>Shift_JIS のデコーダーがありません</translation>
    </message>
    <message>
        <source>cannot register the dictionary: %1</source>
        <translation>辞書を登録できません: %1</translation>
    </message>
    <message>
        <source>cannot commit the index: %1</source>
        <translation>索引を確定できません: %1</translation>
    </message>
    <message>
        <source>%1 is not a dictionary text file but a folder, a device or a pipe</source>
        <translation>%1 は辞書のテキストファイルではなく、フォルダー、デバイスまたはパイプです</translation>
    </message>
    <message>
        <source>%1 ends its lines with CR alone: an Eijiro-format text file with CR LF or LF line ends is expected</source>
        <translation>%1 の改行が CR だけです: 改行が CR LF または LF の Eijiro 形式のテキストファイルを指定してください</translation>
    </message>
    <message>
        <source>not enough free space on the disk of %1: the index needs %2, %3 are free</source>
        <translation>%1 のディスクの空き容量が足りません: 索引には %2 が必要ですが、空きは %3 です</translation>
    </message>
    <message>
        <source>the dictionary was installed, but %1</source>
        <translation>辞書はインストールされましたが、%1</translation>
    </message>
    <message>
        <source>no dictionary with id %1 is installed</source>
        <translation>ID %1 の辞書はインストールされていません</translation>
    </message>
    <message>
        <source>%1 is installed already, as dictionary %2</source>
        <translation>%1 はすでに辞書 %2 としてインストールされています</translation>
    </message>
    <message>
        <source>%1 holds no dictionary entry: an Eijiro-format text file in Shift_JIS or UTF-8 is expected, one entry per line (■word : translation)</source>
        <translation>%1 には辞書の項目がありません: Eijiro 形式で Shift_JIS または UTF-8 のテキストファイル (1 行に 1 項目、■見出し語 : 訳語) を指定してください</translation>
    </message>
    <message>
        <source>%1 is not valid UTF-8 from byte %2 on: Orvel reads dictionary files in Shift_JIS or in UTF-8 throughout</source>
        <translation>%1 は %2 バイト目から UTF-8 として正しくありません: Orvel が読める辞書ファイルは Shift_JIS か、全体が UTF-8 のものです</translation>
    </message>
    <message>
        <source>%1 is in UTF-16: Orvel reads dictionary files in Shift_JIS or in UTF-8; please convert it to one of them</source>
        <translation>%1 は UTF-16 です: Orvel が読める辞書ファイルは Shift_JIS か UTF-8 です。どちらかに変換してください</translation>
    </message>
    <message>
        <source>%1 holds no dictionary entry: an EDICT file in EUC-JP, UTF-8 or Shift_JIS is expected, one entry per line (KANJI [KANA] /gloss/gloss/)</source>
        <translation>%1 には辞書の項目がありません: 1 行に 1 項目 (漢字 [かな] /訳語/訳語/) の EUC-JP、UTF-8 または Shift_JIS の EDICT ファイルが必要です</translation>
    </message>
</context>
<context>
    <name>DictionaryFile</name>
    <message>
        <source>not a regular file</source>
        <translation>通常のファイルではありません</translation>
    </message>
    <message>
        <source>no file name</source>
        <translation>ファイル名がありません</translation>
    </message>
</context>
<context>
    <name>DictionaryRemoval</name>
    <message>
        <source>the dictionary was removed, but %1</source>
        <translation>辞書は削除されましたが、%1</translation>
    </message>
</context>
<context>
    <name>DictionarySettings</name>
    <message>
        <source>a dictionary&apos;s name cannot be empty</source>
        <translation>辞書の名前は空にできません</translation>
    </message>
    <message>
        <source>a dictionary&apos;s name can have at most %1 characters</source>
        <translation>辞書の名前は %1 文字までです</translation>
    </message>
    <message>
        <source>no dictionary with id %1 is installed</source>
        <translation>ID %1 の辞書はインストールされていません</translation>
    </message>
    <message>
        <source>the order must name every installed dictionary once</source>
        <translation>並び順にはインストールされたすべての辞書を一度ずつ指定してください</translation>
    </message>
</context>
<context>
    <name>DictionaryWizard</name>
    <message>
        <source>Add New Dictionary</source>
        <translation>新しい辞書の追加</translation>
    </message>
</context>
<context>
    <name>DiskRoom</name>
    <message>
        <source>the database&apos;s log could not be emptied: %1</source>
        <translation>データベースのログを空にできませんでした: %1</translation>
    </message>
    <message>
        <source>the database&apos;s log could not be emptied: another program is reading the database</source>
        <translation>データベースのログを空にできませんでした: 別のプログラムがデータベースを読んでいます</translation>
    </message>
</context>
<context>
    <name>EntryFinder</name>
    <message>
        <source>Find in Entries</source>
        <translation>項目内を検索</translation>
    </message>
    <message>
        <source>Find in Entries (%1)</source>
        <extracomment>The button&apos;s tooltip: the action, then its key.</extracomment>
        <translation>項目内を検索 (%1)</translation>
    </message>
</context>
<context>
    <name>EntryListModel</name>
    <message>
        <source>The search failed.</source>
        <translation>検索に失敗しました。</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>検索しています…</translation>
    </message>
    <message>
        <source>1 entry</source>
        <translation>1 件の項目</translation>
    </message>
    <message>
        <source>%1 entries</source>
        <translation>%1 件の項目</translation>
    </message>
    <message>
        <source>The installed dictionaries cannot be read: %1</source>
        <translation>インストールされている辞書を読み込めません: %1</translation>
    </message>
    <message>
        <source>The dictionary file %1 has changed since it was installed. Rebuild its index to search it.</source>
        <translation>辞書ファイル %1 はインストール後に変更されています。検索するには索引を再構築してください。</translation>
    </message>
    <message>
        <source>The dictionary file %1 cannot be searched: %2</source>
        <translation>辞書ファイル %1 を検索できません: %2</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Not found</source>
        <translation>見つかりません</translation>
    </message>
    <message>
        <source>%1 found</source>
        <translation>%1 件</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2 件</translation>
    </message>
    <message>
        <source>Find in Page...</source>
        <translation>ページ内を検索...</translation>
    </message>
    <message>
        <source>Find in the page</source>
        <translation>ページ内を検索</translation>
    </message>
    <message>
        <source>Previous match (Shift+Enter)</source>
        <translation>前の一致 (Shift+Enter)</translation>
    </message>
    <message>
        <source>Next match (Enter)</source>
        <translation>次の一致 (Enter)</translation>
    </message>
    <message>
        <source>Close (Escape)</source>
        <translation>閉じる (Escape)</translation>
    </message>
</context>
<context>
    <name>HistoryModel</name>
    <message>
        <source>Word</source>
        <translation>語</translation>
    </message>
    <message>
        <source>Times</source>
        <translation>回数</translation>
    </message>
    <message>
        <source>Last looked up</source>
        <translation>最後に引いた日時</translation>
    </message>
</context>
<context>
    <name>IndexWriter</name>
    <message>
        <source>the database dropped a row without an error (a trigger?)</source>
        <translation>データベースがエラーなしで行を捨てました (トリガー?)</translation>
    </message>
</context>
<context>
    <name>IntroPage</name>
    <message>
        <source>Introduction</source>
        <translation>はじめに</translation>
    </message>
    <message>
        <source>Select the type of dictionary to setup, then click Next button.</source>
        <translation>セットアップする辞書の種類を選んで、[次へ] ボタンをクリックしてください。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>F&amp;ormat</source>
        <translation>書式(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>移動(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>ウィンドウ(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>About Orvel</source>
        <translation>Orvel について</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>設定...</translation>
    </message>
    <message>
        <source>About Qt</source>
        <translation>Qt について</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>やり直し</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>切り取り</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼り付け</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>すべて選択</translation>
    </message>
    <message>
        <source>Show Menubar</source>
        <translation>メニューバーを表示</translation>
    </message>
    <message>
        <source>Show Statusbar</source>
        <translation>ステータスバーを表示</translation>
    </message>
    <message>
        <source>Bigger</source>
        <translation>文字を大きく</translation>
    </message>
    <message>
        <source>Smaller</source>
        <translation>文字を小さく</translation>
    </message>
    <message>
        <source>Always on Top</source>
        <translation>常に手前に表示</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>The look-up failed.</source>
        <translation>検索に失敗しました。</translation>
    </message>
    <message>
        <source>Type a word</source>
        <translation>単語を入力</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>進む</translation>
    </message>
    <message>
        <source>Normal Size</source>
        <translation>標準のサイズ</translation>
    </message>
    <message>
        <source>Show Last Word at Start</source>
        <translation>起動時に前回の単語を表示</translation>
    </message>
    <message>
        <source>Install the dictionary again to list phrases too.</source>
        <translation>辞書をもう一度インストールすると成句も一覧に出ます。</translation>
    </message>
    <message>
        <source>&amp;Word List</source>
        <translation>単語一覧(&amp;W)</translation>
    </message>
    <message>
        <source>Settings cannot be saved</source>
        <translation>設定を保存できません</translation>
    </message>
    <message>
        <source>Orvel cannot write its settings file:
%1

The font, the window and the last word will be as before at the next start. Make the file and its folder writable for you, then start Orvel again.</source>
        <translation>Orvel の設定ファイルに書き込めません:
%1

フォント、ウィンドウ、最後の単語は次回の起動時に以前のままになります。ファイルとそのフォルダーを書き込み可能にしてから、Orvel を起動し直してください。</translation>
    </message>
    <message>
        <source>The dictionary index cannot be used</source>
        <translation>辞書の索引を使用できません</translation>
    </message>
    <message>
        <source>Orvel cannot open or set up its dictionary index:
%1
(%2)

Look-ups and adding dictionaries fail until it can. Please quit Orvel and make sure that you can read and write that file and its folder. If the file is damaged, move it away: Orvel then starts with a new, empty index, and the dictionary can be added again.</source>
        <translation>Orvel は辞書の索引を開くことも作成することもできません:
%1
(%2)

それができるまで、検索も辞書の追加も失敗します。Orvel を終了し、そのファイルとフォルダーを読み書きできることを確かめてください。ファイルが壊れている場合は、別の場所へ移してください。Orvel は次回の起動時に新しい空の索引を作成し、辞書を追加し直せるようになります。</translation>
    </message>
    <message>
        <source>The dictionary file has changed since it was installed. Rebuild its index to list its words.</source>
        <translation>辞書ファイルがインストール後に変更されています。単語を一覧するには索引を再構築してください。</translation>
    </message>
    <message>
        <source>Find What I Mean</source>
        <translation>意図を推測して検索</translation>
    </message>
    <message>
        <source>Look Up Copied Words</source>
        <translation>コピーした語を調べる</translation>
    </message>
    <message>
        <source>Show a word copied in another program in the pop-up beside the pointer</source>
        <translation>他のプログラムでコピーした語をポインタの横のポップアップに表示します</translation>
    </message>
</context>
<context>
    <name>NotebookFiles</name>
    <message>
        <source>&amp;Export Notebook...</source>
        <translation>単語帳を書き出す(&amp;E)...</translation>
    </message>
    <message>
        <source>&amp;Import Word List...</source>
        <translation>単語リストを取り込む(&amp;I)...</translation>
    </message>
    <message>
        <source>Lines written to %1: %2</source>
        <translation>%1 に %2 行を書き出しました</translation>
    </message>
    <message>
        <source>The notebook could not be written to %1: %2</source>
        <translation>単語帳を %1 に書き出せませんでした: %2</translation>
    </message>
    <message>
        <source>Starred entries as flash cards, tab-separated (*.tsv)</source>
        <translation>星印の見出し語を単語カードに、タブ区切り (*.tsv)</translation>
    </message>
    <message>
        <source>Starred entries as flash cards, CSV (*.csv)</source>
        <translation>星印の見出し語を単語カードに、CSV (*.csv)</translation>
    </message>
    <message>
        <source>History, tab-separated (*.tsv)</source>
        <translation>履歴、タブ区切り (*.tsv)</translation>
    </message>
    <message>
        <source>History, CSV (*.csv)</source>
        <translation>履歴、CSV (*.csv)</translation>
    </message>
    <message>
        <source>Export Notebook</source>
        <translation>単語帳を書き出す</translation>
    </message>
    <message>
        <source>Import Word List</source>
        <translation>単語リストを取り込む</translation>
    </message>
    <message>
        <source>Word lists, one word a line (*.txt *.tsv *.csv);;All files (*)</source>
        <translation>単語リスト、1 行に 1 語 (*.txt *.tsv *.csv);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Importing %1...</source>
        <translation>%1 を取り込んでいます...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>中止</translation>
    </message>
    <message>
        <source>Words starred: %1
Starred before: %2
Not found in any dictionary switched on: %3</source>
        <translation>星印を付けた語: %1
前から星印があった語: %2
有効な辞書に見つからなかった語: %3</translation>
    </message>
    <message>
        <source>Lines too long to be a word: %1</source>
        <translation>単語としては長すぎる行: %1</translation>
    </message>
    <message>
        <source>The import was stopped.</source>
        <translation>取り込みを中止しました。</translation>
    </message>
</context>
<context>
    <name>NotebookPane</name>
    <message>
        <source>Notebook</source>
        <translation>単語帳</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>絞り込み</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>履歴(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Starred</source>
        <translation>星印(&amp;S)</translation>
    </message>
</context>
<context>
    <name>NotebookParts</name>
    <message>
        <source>Notebook problem</source>
        <translation>単語帳に問題があります</translation>
    </message>
</context>
<context>
    <name>NotebookThread</name>
    <message>
        <source>The notebook %1 cannot be opened: %2</source>
        <translation>単語帳 %1 を開けません: %2</translation>
    </message>
    <message>
        <source>The notebook %1 cannot be written: %2</source>
        <translation>単語帳 %1 に書き込めません: %2</translation>
    </message>
</context>
<context>
    <name>OptionDialog</name>
    <message>
        <source>Preferences</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>General</source>
        <translation>全般</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>フォント</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>書体</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <source>Dictionary</source>
        <translation>辞書</translation>
    </message>
    <message>
        <source>Setup new dictionary by clicking Add.</source>
        <translation>[追加...] をクリックして、新しい辞書をセットアップしてください。</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>追加...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>No</source>
        <translation>番号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Do you want to delete your dictionary?</source>
        <translation>辞書を削除しますか?</translation>
    </message>
    <message>
        <source>The dictionary could not be removed: %1</source>
        <translation>辞書を削除できませんでした: %1</translation>
    </message>
    <message>
        <source>Build the index of the selected dictionary again from its file, after the file has changed</source>
        <translation>ファイルが変更された後に、選択した辞書の索引をそのファイルから作り直します</translation>
    </message>
    <message>
        <source>Rebuild</source>
        <translation>再構築</translation>
    </message>
    <message>
        <source>A dictionary whose box is cleared is switched off: it stays installed but is not looked up (Space switches the selected one)</source>
        <translation>チェックを外した辞書はオフになります。インストールされたままですが、検索されません (選択中の辞書はスペース キーで切り替わります)</translation>
    </message>
    <message>
        <source>Give the selected dictionary another name (F2)</source>
        <translation>選択中の辞書の名前を変えます (F2)</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>名前の変更...</translation>
    </message>
    <message>
        <source>Move the selected dictionary up: its entries come earlier on the page (Alt+Up)</source>
        <translation>選択中の辞書を上へ移動します。その辞書の項目がページの前のほうに表示されます (Alt+Up)</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上へ</translation>
    </message>
    <message>
        <source>Move the selected dictionary down: its entries come later on the page (Alt+Down)</source>
        <translation>選択中の辞書を下へ移動します。その辞書の項目がページの後のほうに表示されます (Alt+Down)</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下へ</translation>
    </message>
    <message>
        <source>The change could not be saved: %1</source>
        <translation>変更を保存できませんでした: %1</translation>
    </message>
    <message>
        <source>Only Orvel&apos;s index of it is deleted: the dictionary file itself stays where it is.</source>
        <translation>削除されるのは Orvel の索引だけです: 辞書ファイルそのものは元の場所に残ります。</translation>
    </message>
    <message>
        <source>History</source>
        <translation>履歴</translation>
    </message>
    <message>
        <source>&amp;Keep a history of looked-up words</source>
        <translation>引いた単語の履歴を残す(&amp;K)</translation>
    </message>
    <message>
        <source>&amp;Clear History...</source>
        <translation>履歴を消去(&amp;C)...</translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>履歴を消去</translation>
    </message>
    <message>
        <source>Take every word out of the history of looked-up words? The starred entries stay.</source>
        <translation>引いた単語の履歴をすべて消去しますか? 星印を付けた見出し語は残ります。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Desktop</source>
        <translation>デスクトップ</translation>
    </message>
    <message>
        <source>Closing the window hides it in the system tray, and copied words are still looked up; Quit ends Orvel</source>
        <translation>ウィンドウを閉じるとシステムトレイに隠れ、コピーした語は引き続き調べられます。終了で Orvel を終了します</translation>
    </message>
    <message>
        <source>Keep Orvel in the tray when its window is closed</source>
        <translation>ウィンドウを閉じても Orvel をトレイに残す</translation>
    </message>
    <message>
        <source>A click on the speaker reads the entry word aloud; View &gt; Speak is there either way</source>
        <translation>スピーカーをクリックすると見出し語を読み上げます。表示 表示 &gt; 読み上げ はどちらでも使えますgt; 読み上げる はどちらでも使えます</translation>
    </message>
    <message>
        <source>Show a &amp;speaker beside each entry heading</source>
        <translation>見出しの横にスピーカーを表示する(&amp;S)</translation>
    </message>
    <message>
        <source>The desktop has no system tray</source>
        <translation>デスクトップにシステムトレイがありません</translation>
    </message>
</context>
<context>
    <name>Page</name>
    <message>
        <source>Did you mean:</source>
        <extracomment>Under the not-found page, before the words the user may have meant.</extracomment>
        <translation>もしかして:</translation>
    </message>
    <message>
        <source>In this page:</source>
        <extracomment>Above a page of several dictionaries, before the dictionaries that have the word, each with how many lines it has of it.</extracomment>
        <translation>このページの辞書:</translation>
    </message>
    <message>
        <source>Then:</source>
        <extracomment>Under a dictionary&apos;s lines of a word, before the entries that follow it in that dictionary.</extracomment>
        <translation>続き:</translation>
    </message>
</context>
<context>
    <name>PageDocument</name>
    <message>
        <source>More lines of “%1” follow.</source>
        <translation>「%1」の続きがあります。</translation>
    </message>
    <message>
        <source>Show the next %1 lines</source>
        <translation>次の %1 行を表示</translation>
    </message>
</context>
<context>
    <name>PageLoader</name>
    <message>
        <source>Type a word in the field above, in English or Japanese: its entries show as you type.

Up, Down: choose an entry in the word list beside
Enter: show the chosen entry and keep it in the history
Alt+Left, Alt+Right: back and forward through the history
Ctrl+F: find in the page
Escape: clear the field

Double-click a word in a page, or right-click it and choose Look Up, to look that word up.</source>
        <translation>上の欄に英語または日本語の単語を入力してください: 入力するそばから項目が表示されます。

上、下: 横の単語リストで項目を選ぶ
Enter: 選んだ項目を表示し、履歴に残す
Alt+左、Alt+右: 履歴を戻る、進む
Ctrl+F: ページ内を検索
Escape: 欄を空にする

ページ内の単語をダブルクリックするか、右クリックして「調べる」を選ぶと、その単語を調べます。</translation>
    </message>
</context>
<context>
    <name>PagePrinter</name>
    <message>
        <source>&amp;Save Page As...</source>
        <translation>名前を付けてページを保存(&amp;S)...</translation>
    </message>
    <message>
        <source>Print Pre&amp;view...</source>
        <translation>印刷プレビュー(&amp;V)...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>印刷(&amp;P)...</translation>
    </message>
    <message>
        <source>nothing was written</source>
        <translation>何も書き込まれませんでした</translation>
    </message>
    <message>
        <source>Web page (*.html *.htm)</source>
        <translation>Web ページ (*.html *.htm)</translation>
    </message>
    <message>
        <source>Save Page As</source>
        <translation>名前を付けてページを保存</translation>
    </message>
    <message>
        <source>The page was saved to %1.</source>
        <translation>ページを %1 に保存しました。</translation>
    </message>
    <message>
        <source>The page could not be saved to %1: %2</source>
        <translation>ページを %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <source>Print Page</source>
        <translation>ページの印刷</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文書 (*.pdf)</translation>
    </message>
</context>
<context>
    <name>PageThread</name>
    <message>
        <source>[%1 characters not shown]</source>
        <translation>[以下 %1 文字を省略]</translation>
    </message>
    <message>
        <source>Open Preferences at the Dictionary tab</source>
        <translation>設定の [辞書] タブを開く</translation>
    </message>
</context>
<context>
    <name>PopupWindow</name>
    <message>
        <source>Open in Orvel</source>
        <translation>Orvel で開く</translation>
    </message>
</context>
<context>
    <name>RebuildDialog</name>
    <message>
        <source>Rebuild the Index</source>
        <translation>索引の再構築</translation>
    </message>
    <message>
        <source>Building the dictionary&apos;s index again from its file. Until it is done, look-ups use the old index.</source>
        <translation>辞書の索引をファイルから作り直しています。完了するまでは古い索引で検索します。</translation>
    </message>
    <message>
        <source>Canceling...</source>
        <translation>キャンセルしています...</translation>
    </message>
    <message>
        <source>The index could not be rebuilt: %1
The old index is still in place.</source>
        <translation>索引を再構築できませんでした: %1
古い索引はそのまま残っています。</translation>
    </message>
</context>
<context>
    <name>RegisterPage</name>
    <message>
        <source>Register</source>
        <translation>登録</translation>
    </message>
    <message>
        <source>Input the name and file path of dictionary.</source>
        <translation>辞書の名前とファイルのパスを入力してください。</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>参照...</translation>
    </message>
    <message>
        <source>Choose a file of dictionary</source>
        <translation>辞書ファイルの選択</translation>
    </message>
    <message>
        <source>All Files (*);;Text Files (*.txt)</source>
        <translation>すべてのファイル (*);;テキスト ファイル (*.txt)</translation>
    </message>
    <message>
        <source>&amp;Commit</source>
        <translation>登録(&amp;C)</translation>
    </message>
</context>
<context>
    <name>RenameDialog</name>
    <message>
        <source>Rename Dictionary</source>
        <translation>辞書の名前の変更</translation>
    </message>
    <message>
        <source>New name of the dictionary:</source>
        <translation>辞書の新しい名前:</translation>
    </message>
</context>
<context>
    <name>ResultView</name>
    <message>
        <source>Look Up</source>
        <translation>調べる</translation>
    </message>
</context>
<context>
    <name>SearchThread</name>
    <message>
        <source> is not found.</source>
        <translation> は見つかりませんでした。</translation>
    </message>
    <message>
        <source>The dictionary index cannot be read:
%1

Please try again. If this keeps happening, remove the dictionary and add it again on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab</source>
        <translation>辞書の索引を読み込めません:
%1

もう一度お試しください。繰り返し起こる場合は、設定ダイアログで辞書を削除してから追加し直してください。
[編集] - [設定] - [辞書] タブ</translation>
    </message>
    <message>
        <source>The dictionary file cannot be read:
%1
(%2)

It may have been moved, deleted or replaced. Please remove the dictionary and add it again on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab</source>
        <translation>辞書ファイルを読み込めません:
%1
(%2)

移動、削除、または置き換えられた可能性があります。設定ダイアログで辞書を削除してから追加し直してください。
[編集] - [設定] - [辞書] タブ</translation>
    </message>
    <message>
        <source>No dictionary is installed.

Please setup new dictionaries on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab</source>
        <translation>辞書がインストールされていません。

設定ダイアログで新しい辞書をセットアップしてください。
[編集] - [設定] - [辞書] タブ</translation>
    </message>
    <message>
        <source>No Shift_JIS decoder is available, so the dictionary cannot be read.

Please install Orvel again.</source>
        <translation>Shift_JIS のデコーダーがないため、辞書を読み込めません。

Orvel をインストールし直してください。</translation>
    </message>
    <message>
        <source>The dictionary index cannot be read:
%1

Its file cannot be opened, or it is damaged:
%2

Please quit Orvel and make sure that you can read and write that file and its folder. If the file is damaged, move it away: Orvel then starts with a new, empty index, and the dictionary can be added again on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab</source>
        <translation>辞書の索引を読み込めません:
%1

索引のファイルを開けないか、ファイルが壊れています:
%2

Orvel を終了し、そのファイルとフォルダーを読み書きできることを確かめてください。ファイルが壊れている場合は、別の場所へ移してください。Orvel は次回の起動時に新しい空の索引を作成し、設定ダイアログで辞書を追加し直せるようになります。
[編集] - [設定] - [辞書] タブ</translation>
    </message>
    <message>
        <source>The dictionary file has changed since it was installed:
%1

Its index no longer fits it, so words would show other words&apos; entries. Please rebuild the index, here or on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab

</source>
        <translation>辞書ファイルがインストール後に変更されています:
%1

索引がファイルと合わないため、別の単語の項目が表示されてしまいます。ここか設定ダイアログで索引を再構築してください。
[編集] - [設定] - [辞書] タブ

</translation>
    </message>
    <message>
        <source>Rebuild the index</source>
        <translation>索引を再構築する</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (base form)</source>
        <extracomment>Above the page of a base form: the word typed, then the base shown.</extracomment>
        <translation>%1 -&gt; %2（原形）</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (kana or width)</source>
        <extracomment>Above the page of a word typed in other kana or in other width: the text typed, then the word shown (スシ -&gt; すし, DNA鑑定 -&gt; ＤＮＡ鑑定).</extracomment>
        <translation>%1 -&gt; %2（かな・全角半角）</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (romaji, base form)</source>
        <extracomment>Above the page of a word typed in romaji and inflected: the text typed, then the word shown (tabemashita -&gt; たべる).</extracomment>
        <translation>%1 -&gt; %2（ローマ字・原形）</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (romaji, kana or width)</source>
        <extracomment>Above the page of a word typed in romaji, found in other kana: the text typed, then the word shown (sushi -&gt; スシ).</extracomment>
        <translation>%1 -&gt; %2（ローマ字・かな・全角半角）</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (romaji)</source>
        <extracomment>Above the page of a word typed in romaji: the text typed, then the word shown (mizu -&gt; みず).</extracomment>
        <translation>%1 -&gt; %2（ローマ字）</translation>
    </message>
    <message>
        <source>%1 -&gt; %2 (did you mean)</source>
        <extracomment>Above the page of a far commoner word one letter away from the text typed: that text, then the word shown (teh -&gt; the).</extracomment>
        <translation>%1 -&gt; %2（もしかして）</translation>
    </message>
    <message>
        <source>No dictionary with id %1 is installed.</source>
        <translation>ID %1 の辞書はインストールされていません。</translation>
    </message>
    <message>
        <source>Every dictionary is switched off.

Please switch one on on preferences dialog.
[Edit] - [Preferences] - [Dictionary] Tab</source>
        <translation>すべての辞書がオフになっています。

設定ダイアログでどれかをオンにしてください。
[編集] - [設定] - [辞書] タブ</translation>
    </message>
    <message>
        <source>%1… -&gt; %2 (nearest entry)</source>
        <extracomment>Above the page of the entry the typed text begins: that text, then the entry.</extracomment>
        <translation>%1… -&gt; %2（前方一致）</translation>
    </message>
    <message>
        <source>common</source>
        <translation>常用</translation>
    </message>
</context>
<context>
    <name>Speaker</name>
    <message>
        <source>&amp;Speak</source>
        <translation>読み上げる(&amp;S)</translation>
    </message>
    <message>
        <source>Read “%1” aloud</source>
        <translation>「%1」を読み上げる</translation>
    </message>
    <message>
        <source>Speech is off: %1</source>
        <translation>読み上げは使えません: %1</translation>
    </message>
    <message>
        <source>This page has no entry to speak.</source>
        <translation>このページには読み上げる見出し語がありません。</translation>
    </message>
    <message>
        <source>Read “%1” aloud (%2)</source>
        <translation>「%1」を読み上げる (%2)</translation>
    </message>
    <message>
        <source>the speech engine failed.</source>
        <translation>音声エンジンが失敗しました。</translation>
    </message>
</context>
<context>
    <name>StarLinks</name>
    <message>
        <source>&amp;Star Entry</source>
        <translation>見出し語に星印を付ける(&amp;S)</translation>
    </message>
    <message>
        <source>“%1” is no longer starred.</source>
        <translation>「%1」の星印を外しました。</translation>
    </message>
    <message>
        <source>Starred “%1”.</source>
        <translation>「%1」に星印を付けました。</translation>
    </message>
    <message>
        <source>This page has no entry to star.</source>
        <translation>このページには星印を付けられる見出し語がありません。</translation>
    </message>
    <message>
        <source>“%1” is starred already.</source>
        <translation>「%1」にはもう星印が付いています。</translation>
    </message>
    <message>
        <source>Take the star away</source>
        <translation>星印を外す</translation>
    </message>
    <message>
        <source>Star this entry</source>
        <translation>この見出し語に星印を付ける</translation>
    </message>
</context>
<context>
    <name>StarModel</name>
    <message>
        <source>Entry</source>
        <translation>見出し語</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>読み</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>メモ</translation>
    </message>
    <message>
        <source>Dictionary</source>
        <translation>辞書</translation>
    </message>
    <message>
        <source>Starred</source>
        <translation>星印の日時</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Show Orvel</source>
        <translation>Orvel を表示</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
</context>
<context>
    <name>VoiceChoice</name>
    <message>
        <source>No speech engine is installed (speech-dispatcher).</source>
        <translation>音声エンジンがインストールされていません (speech-dispatcher)。</translation>
    </message>
    <message>
        <source>The speech engine “%1” is not installed.</source>
        <translation>音声エンジン「%1」はインストールされていません。</translation>
    </message>
    <message>
        <source>There is no entry to speak.</source>
        <translation>読み上げる見出し語がありません。</translation>
    </message>
    <message>
        <source>There is no voice for “%1”.</source>
        <translation>「%1」を読める音声がありません。</translation>
    </message>
    <message>
        <source>The speech engine has no Japanese voice.</source>
        <translation>音声エンジンに日本語の音声がありません。</translation>
    </message>
    <message>
        <source>The speech engine has no English voice.</source>
        <translation>音声エンジンに英語の音声がありません。</translation>
    </message>
</context>
</TS>
