<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>CBrowseDlg</name>
    <message>
        <source>既存の項目を選択してください</source>
        <translation>Choose an existing item</translation>
    </message>
    <message>
        <source>次の文字は名前として使用できません:

</source>
        <translation>These characters cannot be used in a name:

</translation>
    </message>
</context>
<context>
    <name>CChannelEditDlg</name>
    <message>
        <source>%1 (この出力にはありません)</source>
        <translation>%1 (not on this output)</translation>
    </message>
    <message>
        <source>メモリ不足です。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>ファイル名をタイトルに設定しますか？</source>
        <translation>Use the file name as the title?</translation>
    </message>
    <message>
        <source>タイトルは半角64文字以内で設定してください。</source>
        <translation>The title may be at most 64 characters long (full-width characters count as two).</translation>
    </message>
    <message>
        <source>ファイルのパスを指定してください。</source>
        <translation>Choose the sound file.</translation>
    </message>
    <message>
        <source>測定中…</source>
        <translation>Measuring…</translation>
    </message>
    <message>
        <source>測定できません</source>
        <translation>Cannot measure</translation>
    </message>
    <message>
        <source>-∞ LUFS</source>
        <translation>-∞ LUFS</translation>
    </message>
</context>
<context>
    <name>CGroupDlg</name>
    <message>
        <source>チャンネルを選択してください。</source>
        <translation>Select a channel.</translation>
    </message>
    <message>
        <source>削除してもよろしいですか？</source>
        <translation>Clear this channel?</translation>
    </message>
</context>
<context>
    <name>CGroupEditDlg</name>
    <message>
        <source>グループは最低１つは必要です。</source>
        <translation>A set needs at least one group.</translation>
    </message>
    <message>
        <source>削除してもよろしいですか？</source>
        <translation>Delete this group?</translation>
    </message>
</context>
<context>
    <name>CGroupFile</name>
    <message>
        <source>ファイル読込中にエラーが発生しました。</source>
        <translation>The file could not be read.</translation>
    </message>
    <message>
        <source>ファイル書込中にエラーが発生しました。</source>
        <translation>The file could not be written.</translation>
    </message>
    <message>
        <source>このファイル名は保存できません。</source>
        <translation>This file name cannot be stored.</translation>
    </message>
</context>
<context>
    <name>CGroupInpDlg</name>
    <message>
        <source>グループ名を入力してください</source>
        <translation>Enter a group name</translation>
    </message>
</context>
<context>
    <name>CMainDlg</name>
    <message>
        <source>（出力なし）</source>
        <translation> (no output)</translation>
    </message>
    <message>
        <source>（他のグループで再生中: %1）</source>
        <translation> (playing in other groups: %1)</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>変更があります。保存しますか？</source>
        <translation>The set has changed. Save it?</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>次のものはサウンドファイルではないため使いませんでした。</source>
        <translation>These are not sound files and were not used:</translation>
    </message>
    <message>
        <source>%1（フォルダ）</source>
        <translation>%1 (folder)</translation>
    </message>
    <message>
        <source>%1（ファイルではありません）</source>
        <translation>%1 (not a file)</translation>
    </message>
    <message>
        <source>このグループの後ろのチャンネルに空きがないため、次のファイルは割り当てませんでした。</source>
        <translation>There are no free channels left in this group after the pad, so these files were not assigned:</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>ブラウザ リモートは使われていません。設定の「リモート」で Web ポートを指定してください。</source>
        <translation>The browser remote is not in use. Set a Web port on the Remote page of the settings.</translation>
    </message>
    <message>
        <source>収集を中止しました。グループファイルは書き込んでいません。</source>
        <translation>Collecting was cancelled. No group file was written.</translation>
    </message>
    <message>
        <source>%1 に保存しました。
%2 個の音声ファイルをコピーしました (%L3 バイト)。</source>
        <translation>Saved to %1.
%2 sound files copied (%L3 bytes).</translation>
    </message>
    <message>
        <source>%1 個の音声ファイルは既にフォルダにありました。</source>
        <translation>%1 sound files were already in the folder.</translation>
    </message>
    <message>
        <source>次の音声ファイルが見つからないため、集めていません (%1 個):</source>
        <translation>These sound files were not found and were not collected (%1):</translation>
    </message>
    <message>
        <source>ほか %1 個</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>音声ファイルをコピーしています...</source>
        <translation>Copying sound files...</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>収集して保存</source>
        <translation>Collect and Save</translation>
    </message>
    <message>
        <source>集める先のフォルダを選んでください</source>
        <translation>Choose the folder to collect into</translation>
    </message>
    <message>
        <source>%1 は既にあります。上書きしますか？</source>
        <translation>%1 already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>収集中</source>
        <translation>Collecting</translation>
    </message>
</context>
<context>
    <name>CMidiControl</name>
    <message>
        <source>MIDI の方式 %1 は使えません (alsa, jack, off)。MIDI による操作なしで続けます。</source>
        <translation>MIDI API %1 is not available (alsa, jack, off). Continuing without MIDI control.</translation>
    </message>
    <message>
        <source>MIDI を使えません (%1)。MIDI による操作なしで続けます。</source>
        <translation>MIDI is not available (%1). Continuing without MIDI control.</translation>
    </message>
    <message>
        <source>MIDI 機器が見つかりません。ポート「%1」「%2」に接続してください。</source>
        <translation>No MIDI device found. Connect one to the ports &quot;%1&quot; and &quot;%2&quot;.</translation>
    </message>
</context>
<context>
    <name>CMirrorFollower</name>
    <message>
        <source>主機</source>
        <translation>main</translation>
    </message>
    <message>
        <source>主機のアドレスを使えません: %1</source>
        <translation>Cannot use the main&apos;s address: %1</translation>
    </message>
    <message>
        <source>バックアップ連動のポート %1 を開けません (%2)。連動なしで続けます。</source>
        <translation>Cannot open backup link port %1 (%2). Continuing without the link.</translation>
    </message>
    <message>
        <source>主機: 接続</source>
        <translation>Main: connected</translation>
    </message>
    <message>
        <source>主機: 断</source>
        <translation>Main: lost</translation>
    </message>
    <message>
        <source>主機: セット違い</source>
        <translation>Main: different set</translation>
    </message>
    <message>
        <source>padora: 主機とセットが違います (%1)。主機からの操作は受けません。</source>
        <translation>padora: the set differs from the main&apos;s (%1). Actions from the main are not taken.</translation>
    </message>
    <message>
        <source>padora: 主機ではない %1 から届いた連動を拒否しました (%2 件)</source>
        <translation>padora: refused link messages from %1, which is not the main (%2)</translation>
    </message>
    <message>
        <source>padora: 主機とセットが違うため操作を受けませんでした (%1 件)</source>
        <translation>padora: refused actions because the set differs from the main&apos;s (%1)</translation>
    </message>
</context>
<context>
    <name>CMirrorLink</name>
    <message>
        <source>バックアップへ送れません。</source>
        <translation>Cannot send to any backup.</translation>
    </message>
    <message>
        <source>バックアップ連動のポート %1 を開けません (%2)。連動なしで続けます。</source>
        <translation>Cannot open backup link port %1 (%2). Continuing without the link.</translation>
    </message>
    <message>
        <source>バックアップ: 接続</source>
        <translation>Backup: connected</translation>
    </message>
    <message>
        <source>バックアップ: 断</source>
        <translation>Backup: lost</translation>
    </message>
    <message>
        <source>バックアップ: セット違い</source>
        <translation>Backup: different set</translation>
    </message>
</context>
<context>
    <name>CMirrorSettings</name>
    <message>
        <source>バックアップの宛先 %1 は使えません</source>
        <translation>Backup address %1 cannot be used</translation>
    </message>
    <message>
        <source>主機のアドレス %1 は使えません</source>
        <translation>Main address %1 cannot be used</translation>
    </message>
    <message>
        <source>バックアップ連動のポート %1 は使えません</source>
        <translation>Backup link port %1 cannot be used</translation>
    </message>
</context>
<context>
    <name>CMonitorListCtrl</name>
    <message>
        <source>測定中</source>
        <translation>measuring</translation>
    </message>
    <message>
        <source>不可</source>
        <translation>n/a</translation>
    </message>
</context>
<context>
    <name>COptionDlg</name>
    <message>
        <source>キー設定1</source>
        <translation>Keys 1</translation>
    </message>
    <message>
        <source>キー設定2</source>
        <translation>Keys 2</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>オーディオ</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>リモート</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>ファイル書込中にエラーが発生しました。</source>
        <translation>The settings file could not be written.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>COptionPage2</name>
    <message>
        <source>パッド1</source>
        <translation>Pad 1</translation>
    </message>
    <message>
        <source>パッド2</source>
        <translation>Pad 2</translation>
    </message>
    <message>
        <source>パッド3</source>
        <translation>Pad 3</translation>
    </message>
    <message>
        <source>パッド4</source>
        <translation>Pad 4</translation>
    </message>
    <message>
        <source>パッド5</source>
        <translation>Pad 5</translation>
    </message>
    <message>
        <source>パッド6</source>
        <translation>Pad 6</translation>
    </message>
    <message>
        <source>パッド7</source>
        <translation>Pad 7</translation>
    </message>
    <message>
        <source>パッド8</source>
        <translation>Pad 8</translation>
    </message>
    <message>
        <source>パッド9</source>
        <translation>Pad 9</translation>
    </message>
    <message>
        <source>パッド0</source>
        <translation>Pad 0</translation>
    </message>
    <message>
        <source>個別停止</source>
        <translation>Stop one</translation>
    </message>
    <message>
        <source>全停止</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>前のグループ</source>
        <translation>Previous group</translation>
    </message>
    <message>
        <source>次のグループ</source>
        <translation>Next group</translation>
    </message>
    <message>
        <source>音量アップ</source>
        <translation>Volume up</translation>
    </message>
    <message>
        <source>音量ダウン</source>
        <translation>Volume down</translation>
    </message>
    <message>
        <source>マスター</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>デスクトップのショートカットで取得中 (割り当てはデスクトップの設定で変更します):
</source>
        <translation>Captured through the desktop&apos;s shortcuts (change the keys in the desktop&apos;s settings):
</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>COptionPage3</name>
    <message>
        <source>自動 (デスクトップの言語)</source>
        <translation>Automatic (desktop language)</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese (日本語)</translation>
    </message>
    <message>
        <source>英語 (English)</source>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>COptionPage4</name>
    <message>
        <source>既定のデバイス</source>
        <translation>Default device</translation>
    </message>
    <message>
        <source>%1 (見つかりません)</source>
        <translation>%1 (not found)</translation>
    </message>
    <message>
        <source>環境変数 PADORA_AUDIO が設定されているため、今はその出力が使われます。ここでの設定は保存され、PADORA_AUDIO なしで起動したときに使われます。</source>
        <translation>PADORA_AUDIO is set in the environment, so its output is used now. The choice made here is saved and used when Padora starts without PADORA_AUDIO.</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>テスト音を出せませんでした: %1</source>
        <translation>The test tone could not be played: %1</translation>
    </message>
    <message>
        <source>テスト音を %1 に出しました。</source>
        <translation>Played the test tone on %1.</translation>
    </message>
</context>
<context>
    <name>COptionPage5</name>
    <message>
        <source>学習</source>
        <translation>Learn</translation>
    </message>
    <message>
        <source>操作待ち</source>
        <translation>Move…</translation>
    </message>
    <message>
        <source>MIDI は使われていません</source>
        <translation>MIDI is not in use</translation>
    </message>
    <message>
        <source>%1  コード %2</source>
        <translation>%1  code %2</translation>
    </message>
    <message>
        <source>ブラウザ リモートは使われていません</source>
        <translation>The browser remote is not in use</translation>
    </message>
</context>
<context>
    <name>CPadoraApp</name>
    <message>
        <source>メモリが足りないため起動できません。</source>
        <translation>Cannot start: not enough memory.</translation>
    </message>
    <message>
        <source>開けるファイルの数が足りないため起動できません。</source>
        <translation>Cannot start: too few files can be opened.</translation>
    </message>
    <message>
        <source>メモリまたはスレッドが足りなくなったため終了しました。</source>
        <translation>Ended: ran out of memory or threads.</translation>
    </message>
    <message>
        <source>起動できません (%1)。</source>
        <translation>Cannot start (%1).</translation>
    </message>
    <message>
        <source>使い方: padora [オプション] [グループファイル]

  グループファイル   起動時に読み込むグループファイル (.pdg, .dat)
  --check ファイル   ウィンドウを開かずにグループファイルを点検し、
                     すべての音声ファイルをプレーヤーで開いてみる
                     (終了コード 0: 全ファイル再生可, 1: 見つからない・
                      再生できないファイルあり, 2: グループがない)
  --fix-paths フォルダ  --check と共に: 見つからない音声ファイルをフォルダの下で
                     名前から探し、修正したコピー (名前-fixed.pdg) を書く
  --list-devices     音声出力デバイスの一覧を表示する
                     (ホストAPI, 名前, チャンネル数, 標準サンプリング周波数; タブ区切り)
  -h, --help         この説明を表示する
  -V, --version      バージョンを表示する
</source>
        <translation>Usage: padora [options] [group file]

  group file         the group file to load at start (.pdg, .dat)
  --check FILE       check a group file without opening the window and try
                     every sound file in a player
                     (exit status 0: every file plays, 1: files missing or
                      unplayable, 2: no group)
  --fix-paths DIR    with --check: look for missing sound files by name under
                     DIR and write a corrected copy (NAME-fixed.pdg)
  --list-devices     list the audio output devices
                     (host API, name, channels, default sample rate; tab-separated)
  -h, --help         show this help
  -V, --version      show the version
</translation>
    </message>
    <message>
        <source>--check には点検するグループファイルを指定してください。</source>
        <translation>--check needs the group file to check.</translation>
    </message>
    <message>
        <source>--fix-paths には音声ファイルを探すフォルダを指定してください。</source>
        <translation>--fix-paths needs the folder to search for sound files.</translation>
    </message>
    <message>
        <source>不明なオプションです: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>--fix-paths は --check と一緒に指定してください。</source>
        <translation>--fix-paths works only together with --check.</translation>
    </message>
    <message>
        <source>詳しくは padora --help を参照してください。</source>
        <translation>See padora --help for more.</translation>
    </message>
    <message>
        <source>Padora は既に起動しています。そのウィンドウを前面に出しました。</source>
        <translation>Padora is already running; its window was brought to the front.</translation>
    </message>
    <message>
        <source>Padora は既に起動していますが、応答がありません。</source>
        <translation>Padora is already running but does not answer.</translation>
    </message>
    <message>
        <source>%1 を作成できません。二重起動の確認を行わずに続けます。</source>
        <translation>Cannot create %1. Continuing without the check for a second instance.</translation>
    </message>
    <message>
        <source>表示先のディスプレイがありません (DISPLAY が設定されていません)。</source>
        <translation>No display to show the window on (DISPLAY is not set).</translation>
    </message>
    <message>
        <source>%1 を開けません。二重起動したときに前面に出せません。</source>
        <translation>Cannot open %1. A second start will not be able to bring this window to the front.</translation>
    </message>
    <message>
        <source>%1
ファイルを開けませんでした。</source>
        <translation>%1
The file could not be opened.</translation>
    </message>
    <message>
        <source>  --collect ファイル フォルダ  ウィンドウを開かずにグループファイルとその音声ファイルを
                     フォルダに集める (音声は フォルダ/sounds/ に, 相対パスの
                     フォルダ/名前.pdg を書く; 終了コード 0: すべて収集, 1: 見つからない
                     ファイルあり, 2: 失敗)
</source>
        <translation>  --collect FILE DIR  collect a group file and its sounds into DIR without a window
                     (sounds in DIR/sounds/, DIR/NAME.pdg with relative paths;
                     exit status 0: all collected, 1: some sounds missing, 2: failed)
</translation>
    </message>
    <message>
        <source>--collect にはグループファイルと収集先のフォルダを指定してください。</source>
        <translation>--collect needs a group file and a destination folder.</translation>
    </message>
    <message>
        <source>--collect は --check と一緒には指定できません。</source>
        <translation>--collect cannot be used with --check.</translation>
    </message>
</context>
<context>
    <name>CRemoteControl</name>
    <message>
        <source>OSC のポート %1 は他のプログラムが使用中です。OSC による操作なしで続けます。</source>
        <translation>OSC port %1 is in use by another program. Continuing without OSC control.</translation>
    </message>
    <message>
        <source>OSC の待ち受けアドレス %1 (ポート %2) は使えません (%3)。OSC による操作なしで続けます。</source>
        <translation>The OSC listen address %1 (port %2) cannot be used (%3). Continuing without OSC control.</translation>
    </message>
    <message>
        <source>OSC の受信を開始できませんでした (%1)。OSC による操作なしで続けます。</source>
        <translation>OSC could not start listening (%1). Continuing without OSC control.</translation>
    </message>
</context>
<context>
    <name>CRemoteIntake</name>
    <message>
        <source>padora: %1: 操作中のウィンドウがあるため無視しました (%2 件)</source>
        <translation>padora: %1: ignored while a dialog is open (%2)</translation>
    </message>
    <message>
        <source>padora: %1: 受信が多すぎるため古いものを捨てました (%2 件)</source>
        <translation>padora: %1: too many messages; dropped the oldest (%2)</translation>
    </message>
</context>
<context>
    <name>CSettingsFile</name>
    <message>
        <source>設定ファイルが大きすぎるため読み込みません。既定の設定を使います (ファイルはそのままです)。</source>
        <translation>The settings file is too large and is not read. Using the default settings (the file is left as it is).</translation>
    </message>
    <message>
        <source>設定ファイルを読み込めません。既定の設定を使います (ファイルはそのままです)。</source>
        <translation>The settings file cannot be read. Using the default settings (the file is left as it is).</translation>
    </message>
</context>
<context>
    <name>CShowCollector</name>
    <message>
        <source>%1 を読み込めません: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>収集先のフォルダまたはグループファイルの名前が正しくありません。</source>
        <translation>The destination folder or the group file name is not valid.</translation>
    </message>
    <message>
        <source>%1 は元のファイルです。上書きしないよう、別のフォルダを選んでください。</source>
        <translation>%1 is the original file. Choose another folder so that it is not overwritten.</translation>
    </message>
    <message>
        <source>フォルダ %1 を作成できません。</source>
        <translation>Cannot create folder %1.</translation>
    </message>
    <message>
        <source>%1 の保存先の名前が見つかりません。</source>
        <translation>No destination name found for %1.</translation>
    </message>
</context>
<context>
    <name>CShowRemotes</name>
    <message>
        <source>ブラウザ リモート: %1 (コード %2)</source>
        <translation>Browser remote: %1 (code %2)</translation>
    </message>
</context>
<context>
    <name>CShowSession</name>
    <message>
        <source>%1
このファイルには対応していません。</source>
        <translation>%1
This file type is not supported.</translation>
    </message>
    <message>
        <source>%1
ファイルが見つかりません。</source>
        <translation>%1
The file was not found.</translation>
    </message>
    <message>
        <source>%1
このファイルを再生できません。</source>
        <translation>%1
This file cannot be played.</translation>
    </message>
    <message>
        <source>%1 チャンネルが、この出力にない出力ペア (%2) を指定しています。
出力は %3 ペアです。これらのチャンネルは 1–2 で再生します。</source>
        <translation>%1 channels use output pairs this output lacks (%2).
The output has %3 pairs. These channels play on 1–2.</translation>
    </message>
    <message>
        <source>他のグループで再生中の音が上限の %1 を超えたため、古いものから止めました: %2</source>
        <translation>More than %1 sounds were playing in other groups; the oldest were stopped: %2</translation>
    </message>
    <message>
        <source>「%1」の %2 番「%3」</source>
        <translation>&quot;%1&quot; pad %2 &quot;%3&quot;</translation>
    </message>
</context>
<context>
    <name>CSingleInstance</name>
    <message>
        <source>%1 を開き直しました。</source>
        <translation>Reopened %1.</translation>
    </message>
    <message>
        <source>%1 を開けません。開けるようになるまで試し続けます。</source>
        <translation>Cannot open %1. Trying again until it can be opened.</translation>
    </message>
</context>
<context>
    <name>CTriggerClient</name>
    <message>
        <source>
起動中の Padora への指示 (ウィンドウは開きません。一度に一つだけ指定します):
  --pad N            チャンネル N (1〜10) のパッドを押す (キーと同じ)
  --stop N           停止キーを押しながらチャンネル N のパッドを押す (停止、FO ならフェードアウト)
  --allstop          全停止
  --group next|prev|N  次 / 前 / N 番目 (1〜) のグループを選ぶ
  --volume N V       チャンネル N の音量を V (0〜100) にする
  --master V         マスター音量を V (0〜100) にする
  --state            状態を 1 行で表示する (タブ区切り):
                     グループ番号 (1〜, なしは 0)  グループ名  チャンネル 1〜10 の状態
                     (-1 音なし, 0 停止中, 1 再生中)  操作中 (1: 指示を受け付けない)
                     他のグループで再生中の音の数
  終了コード 0: 受け付けられた, 1: Padora が起動していない・応答がない,
             2: 引数の誤り・そのグループがない, 3: 操作中のウィンドウがあるため無視された
  指示はウィンドウのライブラリを読み込まずに送るため数ミリ秒で終わり、
  キーへの割り当てに向いています。
  キーへの割り当て: GNOME は 設定 → キーボード → カスタムショートカット、KDE は
  システム設定 → ショートカット → カスタムショートカット (コマンドを追加) に
  コマンド padora --pad 1 を、sway は設定ファイルに
  bindsym F1 exec padora --pad 1 を書く
</source>
        <translation>
Commands for the running Padora (no window opens; one at a time):
  --pad N            press the pad of channel N (1-10), as its key does
  --stop N           press the pad of channel N with the stop key held (stops it, fades out with FO)
  --allstop          stop all
  --group next|prev|N  choose the next / previous / Nth (1-) group
  --volume N V       set the volume of channel N to V (0-100)
  --master V         set the master volume to V (0-100)
  --state            print the state on one line (tab-separated):
                     group number (1-, 0 for none)  group name  state of channels 1-10
                     (-1 no sound, 0 stopped, 1 playing)  busy (1: commands are refused)
                     number of sounds playing in other groups
  Exit status 0: accepted, 1: Padora is not running or does not answer,
              2: bad arguments or no such group, 3: ignored while a dialog is open
  Commands are sent without loading the window&apos;s libraries, so they take a few
  milliseconds: good for key bindings.
  Key bindings: in GNOME, Settings &gt; Keyboard &gt; Custom Shortcuts; in KDE,
  System Settings &gt; Shortcuts &gt; Custom Shortcuts (Add Command): the command
  padora --pad 1; in sway, the line
  bindsym F1 exec padora --pad 1 in the configuration file
</translation>
    </message>
    <message>
        <source>%1 を起動できません: %2</source>
        <translation>Cannot start %1: %2</translation>
    </message>
    <message>
        <source>使い方: padora オプション
</source>
        <translation>Usage: padora OPTION
</translation>
    </message>
    <message>
        <source>指示のオプションを一つ指定してください (padora --help)。</source>
        <translation>Give one trigger option (padora --help).</translation>
    </message>
    <message>
        <source>%1 は他のユーザーも使えるため、Padora に指示を送りません。</source>
        <translation>%1 can be used by other users, so no trigger is sent to Padora.</translation>
    </message>
    <message>
        <source>Padora は起動していません。</source>
        <translation>Padora is not running.</translation>
    </message>
    <message>
        <source>Padora は起動していますが、応答がありません。</source>
        <translation>Padora is running but does not answer.</translation>
    </message>
    <message>
        <source>Padora に操作中のウィンドウがあるため、無視されました。</source>
        <translation>Ignored: a window of Padora is open and in use.</translation>
    </message>
    <message>
        <source>Padora はこの指示を受け付けませんでした (そのグループはありません)。</source>
        <translation>Padora did not take this trigger (there is no such group).</translation>
    </message>
    <message>
        <source>Padora の答えが読めません。</source>
        <translation>Padora's answer cannot be read.</translation>
    </message>
    <message>
        <source>%1 にはチャンネル番号 (1〜10) を指定してください。</source>
        <translation>%1 needs a channel number (1 to 10).</translation>
    </message>
    <message>
        <source>--group には next, prev またはグループ番号 (1〜) を指定してください。</source>
        <translation>--group needs next, prev or a group number (from 1).</translation>
    </message>
    <message>
        <source>--volume にはチャンネル番号 (1〜10) と音量 (0〜100) を指定してください。</source>
        <translation>--volume needs a channel number (1 to 10) and a volume (0 to 100).</translation>
    </message>
    <message>
        <source>--master には音量 (0〜100) を指定してください。</source>
        <translation>--master needs a volume (0 to 100).</translation>
    </message>
    <message>
        <source>%1 に値は指定できません。</source>
        <translation>%1 takes no value.</translation>
    </message>
    <message>
        <source>トリガーのオプションは一度に一つだけ指定できます: %1 %2</source>
        <translation>Only one trigger option can be given at a time: %1 %2</translation>
    </message>
    <message>
        <source>%1 は他の引数と一緒に指定できません: %2</source>
        <translation>%1 cannot be given with other arguments: %2</translation>
    </message>
</context>
<context>
    <name>CTriggerControl</name>
    <message>
        <source>コマンドライン</source>
        <translation>command line</translation>
    </message>
</context>
<context>
    <name>CWebRemote</name>
    <message>
        <source>ブラウザ リモートの待ち受けアドレス %1 (ポート %2) は使えません。ブラウザ リモートなしで続けます。</source>
        <translation>The browser remote cannot listen on address %1 (port %2). Continuing without the browser remote.</translation>
    </message>
    <message>
        <source>ブラウザ リモートのポート %1 (%2) で待ち受けられません (%3)。ブラウザ リモートなしで続けます。</source>
        <translation>Cannot listen on browser remote port %1 (%2) (%3). Continuing without the browser remote.</translation>
    </message>
</context>
<context>
    <name>CWebRemoteDlg</name>
    <message>
        <source>ブラウザで次のアドレスを開いてください:
%1
このパソコン以外のブラウザでは、次のコードを入力します: %2</source>
        <translation>Open this address in a browser:
%1
A browser on another computer asks for this code: %2</translation>
    </message>
    <message>
        <source>QR コードにできないアドレスです。</source>
        <translation>This address cannot be made into a QR code.</translation>
    </message>
</context>
<context>
    <name>ColumnHeading</name>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
</context>
<context>
    <name>IDD_ABOUTBOX</name>
    <message>
        <source>バージョン情報 Padora</source>
        <translation>About Padora</translation>
    </message>
    <message>
        <source>Linux 版 ライブ用サウンドボード</source>
        <translation>Live soundboard for Linux</translation>
    </message>
</context>
<context>
    <name>IDD_CHANNEL_EDIT</name>
    <message>
        <source>チャンネル編集</source>
        <translation>Edit Channel</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>FI時間(秒)</source>
        <translation>FI (sec)</translation>
    </message>
    <message>
        <source>FO時間(秒)</source>
        <translation>FO (sec)</translation>
    </message>
    <message>
        <source>ラウドネスを合わせる</source>
        <translation>Match loudness</translation>
    </message>
    <message>
        <source>測定値</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Out</translation>
    </message>
    <message>
        <source>試聴</source>
        <translation>Audition</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_DLG</name>
    <message>
        <source>グループの編集</source>
        <translation>Edit Group</translation>
    </message>
    <message>
        <source>グループ</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>グループ編集</source>
        <translation>Edit groups</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_EDIT</name>
    <message>
        <source>グループの編集</source>
        <translation>Edit Groups</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_INP</name>
    <message>
        <source>グループ名編集</source>
        <translation>Group Name</translation>
    </message>
    <message>
        <source>グループ名</source>
        <translation>Group name</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>IDD_LOADPROC_DIALOG</name>
    <message>
        <source>サウンドファイル読み込み中...</source>
        <translation>Loading sound files...</translation>
    </message>
    <message>
        <source>サウンドファイルを読み込んでいます。
しばらくお待ちください。</source>
        <translation>Loading the sound files.
Please wait.</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION</name>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE1</name>
    <message>
        <source>チャンネルキー</source>
        <translation>Channel keys</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE2</name>
    <message>
        <source>を押しながらチャンネルキー</source>
        <translation>held + channel key</translation>
    </message>
    <message>
        <source>個別停止</source>
        <translation>Stop one</translation>
    </message>
    <message>
        <source>全停止</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>グループ移動</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>前</source>
        <translation>&lt;&lt;</translation>
    </message>
    <message>
        <source>次</source>
        <translation>&gt;&gt;</translation>
    </message>
    <message>
        <source>音量アップ</source>
        <translation>Vol up</translation>
    </message>
    <message>
        <source>音量ダウン</source>
        <translation>Vol down</translation>
    </message>
    <message>
        <source>(音量の増減量)</source>
        <translation>(vol step)</translation>
    </message>
    <message>
        <source>他ウインドウがアクティブ時にキー入力を取得する。</source>
        <translation>Capture keys while another window is active.</translation>
    </message>
    <message>
        <source>取得範囲</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE3</name>
    <message>
        <source>ファイルの位置を、PDGファイルからの相対パスで保存</source>
        <translation>Store sound paths relative to the PDG file</translation>
    </message>
    <message>
        <source>(※PDGファイルと同一のドライブにサウンドファイルを置いてください。)</source>
        <translation>(Keep the sound files on the same drive as the PDG file.)</translation>
    </message>
    <message>
        <source>グループを切り替えても再生中の音を止めない</source>
        <translation>Keep sounds playing when switching groups</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>(次回の起動から有効)</source>
        <translation>(from next start)</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE4</name>
    <message>
        <source>出力デバイス</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>バッファ</source>
        <translation>Buffer</translation>
    </message>
    <message>
        <source>フレーム</source>
        <translation>frames</translation>
    </message>
    <message>
        <source>出力ペア</source>
        <translation>Pairs</translation>
    </message>
    <message>
        <source>テスト</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>試聴デバイス</source>
        <translation>Cue device</translation>
    </message>
    <message>
        <source>試聴ペア</source>
        <translation>Cue pair</translation>
    </message>
    <message>
        <source>試聴キー</source>
        <translation>Cue key</translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE5</name>
    <message>
        <source>パッド%1</source>
        <translation>Pad %1</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>フェーダー%1</source>
        <translation>Fader %1</translation>
    </message>
    <message>
        <source>マスター</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>MIDI 入力</source>
        <translation>MIDI in</translation>
    </message>
    <message>
        <source>OSC ポート</source>
        <translation>OSC port</translation>
    </message>
    <message>
        <source>(0 で使わない)</source>
        <translation>(0: off)</translation>
    </message>
    <message>
        <source>待ち受けアドレス</source>
        <translation>Listen address</translation>
    </message>
    <message>
        <source>MIDI の割り当て (学習を押してから機器を操作)</source>
        <translation>MIDI mapping (Learn, then move a control)</translation>
    </message>
    <message>
        <source>学習</source>
        <translation>Learn</translation>
    </message>
    <message>
        <source>Web ポート</source>
        <translation>Web port</translation>
    </message>
    <message>
        <source>登録を解除</source>
        <translation>Unpair all</translation>
    </message>
    <message>
        <source>QR...</source>
        <translation>QR...</translation>
    </message>
</context>
<context>
    <name>IDD_PADORA_DIALOG</name>
    <message>
        <source>全停止</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>IDD_WEB_REMOTE</name>
    <message>
        <source>ブラウザ リモート</source>
        <translation>Browser Remote</translation>
    </message>
</context>
<context>
    <name>IDR_MAINDLG_MENU</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)	Ctrl+N</source>
        <translation>&amp;New	Ctrl+N</translation>
    </message>
    <message>
        <source>開く(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)	Ctrl+S</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>グループの編集(&amp;G)</source>
        <translation>Edit &amp;Group</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)...</source>
        <translation>&amp;About Padora...</translation>
    </message>
    <message>
        <source>収集して保存(&amp;C)...</source>
        <translation>&amp;Collect and Save...</translation>
    </message>
    <message>
        <source>ブラウザ リモート(&amp;W)...</source>
        <translation>Bro&amp;wser Remote...</translation>
    </message>
</context>
<context>
    <name>KeyHook</name>
    <message>
        <source>キーボードの入力デバイス (/dev/input) を読む権限がないため、他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。

ユーザーを input グループに加え (sudo usermod -aG input $USER)、ログインし直してください。</source>
        <translation>Padora may not read the keyboard devices (/dev/input), so its keys do not work while another program has the focus (background capture).

Add the user to the input group (sudo usermod -aG input $USER) and log in again.</translation>
    </message>
    <message>
        <source>他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。デスクトップがグローバルショートカットのポータル (org.freedesktop.portal.GlobalShortcuts) を提供しておらず、キーボードの入力デバイス (/dev/input) を読む権限もありません。

次のどちらかで働くようになります:
・グローバルショートカットのポータルに対応したデスクトップ (KDE Plasma、GNOME など) で使う
・ユーザーを input グループに加え (sudo usermod -aG input $USER)、ログインし直す

他のプログラムからはコマンドラインでも操作できます (padora --pad N など)。</source>
        <translation>Keys do not work while another program has the focus (background capture): the desktop offers no global shortcuts portal (org.freedesktop.portal.GlobalShortcuts), and Padora may not read the keyboard devices (/dev/input).

Either of these makes it work:
- use a desktop with the global shortcuts portal (KDE Plasma, GNOME and others)
- add the user to the input group (sudo usermod -aG input $USER) and log in again

Other programs can also control Padora from the command line (padora --pad N and others).</translation>
    </message>
    <message>
        <source>デスクトップのグローバルショートカット (ポータル) が使えなくなりました。</source>
        <translation>The desktop&apos;s global shortcuts (portal) are no longer available.</translation>
    </message>
    <message>
        <source>これからはキーボードの入力デバイスから直接キーを読みます。</source>
        <translation> From now on the keys are read from the keyboard devices directly.</translation>
    </message>
</context>
<context>
    <name>PADKIT_MessageBox</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>中止(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>再試行(&amp;R)</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>無視(&amp;I)</source>
        <translation>&amp;Ignore</translation>
    </message>
    <message>
        <source>再実行(&amp;T)</source>
        <translation>&amp;Try Again</translation>
    </message>
    <message>
        <source>続行(&amp;C)</source>
        <translation>&amp;Continue</translation>
    </message>
</context>
<context>
    <name>PathUtil</name>
    <message>
        <source>下記のフォルダが見つかりません。作成しますか？

%1</source>
        <translation>This folder does not exist. Create it?

%1</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>ディリクトリー作成中にエラーが発生しました。</source>
        <translation>The folder could not be created.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>PortalShortcuts</name>
    <message>
        <source>パッド 1</source>
        <translation>Pad 1</translation>
    </message>
    <message>
        <source>パッド 2</source>
        <translation>Pad 2</translation>
    </message>
    <message>
        <source>パッド 3</source>
        <translation>Pad 3</translation>
    </message>
    <message>
        <source>パッド 4</source>
        <translation>Pad 4</translation>
    </message>
    <message>
        <source>パッド 5</source>
        <translation>Pad 5</translation>
    </message>
    <message>
        <source>パッド 6</source>
        <translation>Pad 6</translation>
    </message>
    <message>
        <source>パッド 7</source>
        <translation>Pad 7</translation>
    </message>
    <message>
        <source>パッド 8</source>
        <translation>Pad 8</translation>
    </message>
    <message>
        <source>パッド 9</source>
        <translation>Pad 9</translation>
    </message>
    <message>
        <source>パッド 10</source>
        <translation>Pad 10</translation>
    </message>
    <message>
        <source>個別停止 (押しながらパッド)</source>
        <translation>Stop one (hold, then a pad)</translation>
    </message>
    <message>
        <source>全停止</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>前のグループ</source>
        <translation>Previous group</translation>
    </message>
    <message>
        <source>次のグループ</source>
        <translation>Next group</translation>
    </message>
    <message>
        <source>音量アップ (押しながらパッド)</source>
        <translation>Volume up (hold, then a pad)</translation>
    </message>
    <message>
        <source>音量ダウン (押しながらパッド)</source>
        <translation>Volume down (hold, then a pad)</translation>
    </message>
    <message>
        <source>マスター音量</source>
        <translation>Master volume</translation>
    </message>
</context>
<context>
    <name>StringResources</name>
    <message>
        <source>OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。</source>
        <translation>OLE initialization failed. Make sure that the OLE libraries are the correct version.</translation>
    </message>
    <message>
        <source>ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat)|*.pdg;*.dat|</source>
        <translation>Group files (*.pdg,*.dat)|*.pdg;*.dat|</translation>
    </message>
    <message>
        <source>グループの編集を行う
グループ編集</source>
        <translation>Edit the groups
Edit groups</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Enter a number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>%1 文字以内で入力してください。</source>
        <translation>Enter at most %1 characters.</translation>
    </message>
</context>
<context>
    <name>WebRemotePage</name>
    <message>
        <source>Padora リモート</source>
        <translation>Padora Remote</translation>
    </message>
    <message>
        <source>全停止</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>停止キー</source>
        <translation>Stop key</translation>
    </message>
    <message>
        <source>前のグループ</source>
        <translation>Previous group</translation>
    </message>
    <message>
        <source>次のグループ</source>
        <translation>Next group</translation>
    </message>
    <message>
        <source>マスター</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Padora との接続が切れました。再接続しています…</source>
        <translation>Lost connection to Padora. Reconnecting…</translation>
    </message>
    <message>
        <source>Padora で操作中のウィンドウがあるため、パッドは使えません</source>
        <translation>Pads are unavailable while a window is open in Padora</translation>
    </message>
    <message>
        <source>グループがありません</source>
        <translation>No groups</translation>
    </message>
    <message>
        <source>Padora リモートの登録</source>
        <translation>Pair with Padora Remote</translation>
    </message>
    <message>
        <source>Padora の設定 (リモート) に表示されている 6 桁のコードを入力してください。</source>
        <translation>Enter the 6-digit code shown in Padora&apos;s settings (Remote).</translation>
    </message>
    <message>
        <source>登録</source>
        <translation>Pair</translation>
    </message>
    <message>
        <source>コードが違います。</source>
        <translation>Wrong code.</translation>
    </message>
    <message>
        <source>間違いが多すぎます。1 分ほど待ってから入力してください。</source>
        <translation>Too many wrong codes. Wait about a minute and try again.</translation>
    </message>
</context>
<context>
    <name>mirror</name>
    <message>
        <source>グループ %1 のチャンネル %2</source>
        <translation>group %1 channel %2</translation>
    </message>
    <message>
        <source> ほか %1 か所</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>%1 が見つかりません (%2)</source>
        <translation>%1 not found (%2)</translation>
    </message>
</context>
</TS>
