<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>CBrowseDlg</name>
    <message>
        <source>既存の項目を選択してください</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次の文字は名前として使用できません:

</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CChannelEditDlg</name>
    <message>
        <source>%1 (この出力にはありません)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>メモリ不足です。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル名をタイトルに設定しますか？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>タイトルは半角64文字以内で設定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイルのパスを指定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>測定中…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>測定できません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-∞ LUFS</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CGroupDlg</name>
    <message>
        <source>チャンネルを選択してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>削除してもよろしいですか？</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CGroupEditDlg</name>
    <message>
        <source>グループは最低１つは必要です。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>削除してもよろしいですか？</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CGroupFile</name>
    <message>
        <source>ファイル読込中にエラーが発生しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル書込中にエラーが発生しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>このファイル名は保存できません。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CGroupInpDlg</name>
    <message>
        <source>グループ名を入力してください</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMainDlg</name>
    <message>
        <source>（出力なし）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（他のグループで再生中: %1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>エラー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>変更があります。保存しますか？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>確認</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次のものはサウンドファイルではないため使いませんでした。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1（フォルダ）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1（ファイルではありません）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>このグループの後ろのチャンネルに空きがないため、次のファイルは割り当てませんでした。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMidiControl</name>
    <message>
        <source>MIDI の方式 %1 は使えません (alsa, jack, off)。MIDI による操作なしで続けます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI を使えません (%1)。MIDI による操作なしで続けます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI 機器が見つかりません。ポート「%1」「%2」に接続してください。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMonitorListCtrl</name>
    <message>
        <source>測定中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不可</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COptionDlg</name>
    <message>
        <source>キー設定1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キー設定2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>オーディオ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>リモート</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル書込中にエラーが発生しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>エラー</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COptionPage2</name>
    <message>
        <source>パッド1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>個別停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>前のグループ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次のグループ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量アップ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量ダウン</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>マスター</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>デスクトップのショートカットで取得中 (割り当てはデスクトップの設定で変更します):
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COptionPage4</name>
    <message>
        <source>既定のデバイス</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (見つかりません)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>環境変数 PADORA_AUDIO が設定されているため、今はその出力が使われます。ここでの設定は保存され、PADORA_AUDIO なしで起動したときに使われます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>なし</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>テスト音を出せませんでした: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>テスト音を %1 に出しました。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COptionPage5</name>
    <message>
        <source>学習</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作待ち</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI は使われていません</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPadoraApp</name>
    <message>
        <source>メモリが足りないため起動できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>開けるファイルの数が足りないため起動できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>メモリまたはスレッドが足りなくなったため終了しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>起動できません (%1)。</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--check には点検するグループファイルを指定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--fix-paths には音声ファイルを探すフォルダを指定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不明なオプションです: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--fix-paths は --check と一緒に指定してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>詳しくは padora --help を参照してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Padora は既に起動しています。そのウィンドウを前面に出しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Padora は既に起動していますが、応答がありません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 を作成できません。二重起動の確認を行わずに続けます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>表示先のディスプレイがありません (DISPLAY が設定されていません)。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 を開けません。二重起動したときに前面に出せません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1
ファイルを開けませんでした。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CRemoteControl</name>
    <message>
        <source>OSC のポート %1 は他のプログラムが使用中です。OSC による操作なしで続けます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OSC の待ち受けアドレス %1 (ポート %2) は使えません (%3)。OSC による操作なしで続けます。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OSC の受信を開始できませんでした (%1)。OSC による操作なしで続けます。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CRemoteIntake</name>
    <message>
        <source>padora: %1: 操作中のウィンドウがあるため無視しました (%2 件)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>padora: %1: 受信が多すぎるため古いものを捨てました (%2 件)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSettingsFile</name>
    <message>
        <source>設定ファイルが大きすぎるため読み込みません。既定の設定を使います (ファイルはそのままです)。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>設定ファイルを読み込めません。既定の設定を使います (ファイルはそのままです)。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CShowSession</name>
    <message>
        <source>%1
このファイルには対応していません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1
ファイルが見つかりません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1
このファイルを再生できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 チャンネルが、この出力にない出力ペア (%2) を指定しています。
出力は %3 ペアです。これらのチャンネルは 1–2 で再生します。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>他のグループで再生中の音が上限の %1 を超えたため、古いものから止めました: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>「%1」の %2 番「%3」</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSingleInstance</name>
    <message>
        <source>%1 を開き直しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 を開けません。開けるようになるまで試し続けます。</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CTriggerControl</name>
    <message>
        <source>コマンドライン</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ColumnHeading</name>
    <message>
        <source>タイトル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_ABOUTBOX</name>
    <message>
        <source>バージョン情報 Padora</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Linux 版 ライブ用サウンドボード</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_CHANNEL_EDIT</name>
    <message>
        <source>チャンネル編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>タイトル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>参照</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FI時間(秒)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FO時間(秒)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ラウドネスを合わせる</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>測定値</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>出力</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>試聴</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>設定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_DLG</name>
    <message>
        <source>グループの編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループ編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>削除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_EDIT</name>
    <message>
        <source>グループの編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>追加</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>変更</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>削除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上へ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下へ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>終了</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_GROUP_INP</name>
    <message>
        <source>グループ名編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループ名</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_LOADPROC_DIALOG</name>
    <message>
        <source>サウンドファイル読み込み中...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>サウンドファイルを読み込んでいます。
しばらくお待ちください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION</name>
    <message>
        <source>設定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE1</name>
    <message>
        <source>チャンネルキー</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE2</name>
    <message>
        <source>を押しながらチャンネルキー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>個別停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループ移動</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>前</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量アップ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量ダウン</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(音量の増減量)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>他ウインドウがアクティブ時にキー入力を取得する。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取得範囲</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>再生</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE3</name>
    <message>
        <source>ファイルの位置を、PDGファイルからの相対パスで保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(※PDGファイルと同一のドライブにサウンドファイルを置いてください。)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループを切り替えても再生中の音を止めない</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE4</name>
    <message>
        <source>出力デバイス</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>バッファ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>フレーム</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>出力ペア</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>テスト</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>試聴デバイス</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>試聴ペア</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>試聴キー</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_OPTION_PAGE5</name>
    <message>
        <source>パッド%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>フェーダー%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>マスター</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI 入力</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OSC ポート</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(0 で使わない)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>待ち受けアドレス</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI の割り当て (学習を押してから機器を操作)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>学習</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDD_PADORA_DIALOG</name>
    <message>
        <source>全停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>終了</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IDR_MAINDLG_MENU</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新規作成(&amp;N)	Ctrl+N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>開く(&amp;O)...	Ctrl+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)	Ctrl+S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループの編集(&amp;G)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeyHook</name>
    <message>
        <source>キーボードの入力デバイス (/dev/input) を読む権限がないため、他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。

ユーザーを input グループに加え (sudo usermod -aG input $USER)、ログインし直してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。デスクトップがグローバルショートカットのポータル (org.freedesktop.portal.GlobalShortcuts) を提供しておらず、キーボードの入力デバイス (/dev/input) を読む権限もありません。

次のどちらかで働くようになります:
・グローバルショートカットのポータルに対応したデスクトップ (KDE Plasma、GNOME など) で使う
・ユーザーを input グループに加え (sudo usermod -aG input $USER)、ログインし直す

他のプログラムからはコマンドラインでも操作できます (padora --pad N など)。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>デスクトップのグローバルショートカット (ポータル) が使えなくなりました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>これからはキーボードの入力デバイスから直接キーを読みます。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PADKIT_MessageBox</name>
    <message>
        <source>キャンセル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>中止(&amp;A)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>再試行(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>無視(&amp;I)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>再実行(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>続行(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PathUtil</name>
    <message>
        <source>下記のフォルダが見つかりません。作成しますか？

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>確認</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ディリクトリー作成中にエラーが発生しました。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>エラー</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PortalShortcuts</name>
    <message>
        <source>パッド 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>パッド 10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>個別停止 (押しながらパッド)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>前のグループ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次のグループ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量アップ (押しながらパッド)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音量ダウン (押しながらパッド)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>マスター音量</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StringResources</name>
    <message>
        <source>OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat)|*.pdg;*.dat|</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>グループの編集を行う
グループ編集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 文字以内で入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
