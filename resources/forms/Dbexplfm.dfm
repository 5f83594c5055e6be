object DbExplorerForm: TDbExplorerForm
  Left = 51
  Top = 100
  Width = 562
  Height = 271
  Caption = 'Database Explorer'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Menu = MainMenu
  PopupMenu = BasePopupMenu
  Position = poDefault
  ShowHint = True
  PixelsPerInch = 96
  OnClose = FormClose
  OnCloseQuery = FormCloseQuery
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnShow = FormShow
  object SpeedBar: TPanel
    Left = 0
    Top = 0
    Width = 554
    Height = 26
    Align = alTop
    BevelOuter = bvNone
    TabOrder = 0
    object SBOpen: TSpeedButton
      Left = 4
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Open or Close'
      AllowAllUp = True
      GroupIndex = 1
      Glyph.Data = 'sb-open.png'
      OnClick = PMOpenCloseClick
    end
    object SBDelete: TSpeedButton
      Left = 31
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Delete'
      Glyph.Data = 'sb-delete.png'
      OnClick = PMDeleteClick
    end
    object SBCancel: TSpeedButton
      Left = 58
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Cancel'
      Glyph.Data = 'sb-cancel.png'
      OnClick = PMCancelClick
    end
    object SBSave: TSpeedButton
      Left = 85
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Apply'
      Glyph.Data = 'sb-apply.png'
      OnClick = PMSaveClick
    end
    object SBViewBlobs: TSpeedButton
      Left = 116
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Explore Blobs'
      AllowAllUp = True
      GroupIndex = 2
      Glyph.Data = 'sb-blobs.png'
    end
    object SBShowAllAttrs: TSpeedButton
      Left = 143
      Top = 2
      Width = 23
      Height = 22
      Hint = 'Show Raw Attrs'
      AllowAllUp = True
      GroupIndex = 3
      Glyph.Data = 'sb-raw-attrs.png'
      Visible = False
      OnClick = SBShowAllAttrsClick
    end
    object DbDataPanel: TPanel
      Left = 374
      Top = 0
      Width = 180
      Height = 26
      Align = alRight
      BevelOuter = bvNone
      TabOrder = 0
      Visible = False
      object SBTransaction: TSpeedButton
        Left = 4
        Top = 2
        Width = 23
        Height = 22
        Hint = 'Begin or Commit Transaction'
        AllowAllUp = True
        GroupIndex = 4
        Glyph.Data = 'sb-transaction.png'
      end
      object SBRollbackTransaction: TSpeedButton
        Left = 31
        Top = 2
        Width = 23
        Height = 22
        Hint = 'Rollback Transaction'
        Glyph.Data = 'sb-rollback.png'
      end
    end
  end
  object TreePanel: TPanel
    Left = 0
    Top = 26
    Width = 180
    Height = 180
    Align = alLeft
    BevelOuter = bvNone
    TabOrder = 1
    object TreeInfoPanel: TPanel
      Left = 0
      Top = 0
      Width = 180
      Height = 19
      Align = alTop
      Alignment = taLeftJustify
      BevelOuter = bvLowered
      TabOrder = 0
      object TreeInfoLine: TLabel
        Left = 4
        Top = 3
        Width = 170
        Height = 13
        AutoSize = False
      end
    end
    object Trees: TTabControl
      Left = 0
      Top = 19
      Width = 180
      Height = 161
      Align = alClient
      TabOrder = 1
      OnChange = TreesChange
    end
  end
  object MainSplitter: TSplitter
    Left = 180
    Top = 26
    Width = 3
    Height = 180
    Align = alLeft
  end
  object InfoPanel: TPanel
    Left = 183
    Top = 26
    Width = 371
    Height = 180
    Align = alClient
    BevelOuter = bvNone
    TabOrder = 2
    object DataInfoPanel: TPanel
      Left = 0
      Top = 0
      Width = 371
      Height = 19
      Align = alTop
      Alignment = taLeftJustify
      BevelOuter = bvLowered
      TabOrder = 0
      object DataInfoLine: TLabel
        Left = 4
        Top = 3
        Width = 360
        Height = 13
        AutoSize = False
      end
    end
    object InfoPages: TPageControl
      Left = 0
      Top = 19
      Width = 371
      Height = 161
      Align = alClient
      TabOrder = 1
      OnChange = InfoPagesChange
      object TabDefinition: TTabSheet
        Caption = 'Definition'
        HelpContext = 1020
      end
      object TabSummary: TTabSheet
        Caption = 'Summary'
        HelpContext = 1030
        object SummaryView: TListView
          Left = 0
          Top = 0
          Width = 363
          Height = 133
          Align = alClient
          DragMode = dmAutomatic
          LargeImages = LargeImages
          SmallImages = SmallImages
          StateImages = EOStateImages
          ViewStyle = vsReport
          TabOrder = 0
          OnChange = SummaryViewChange
          OnDblClick = SummaryViewDblClick
          OnEdited = SummaryViewEdited
          OnEditing = SummaryViewEditing
          OnDragDrop = ObjectDragDrop
          OnDragOver = ObjectDragOver
          OnEndDrag = ObjectEndDrag
          OnStartDrag = ObjectStartDrag
          OnEnter = SummaryViewEnter
          OnExit = SummaryViewExit
        end
      end
      object TabText: TTabSheet
        Caption = 'Text'
        HelpContext = 1040
        object EditsMemo: TMemo
          Left = 0
          Top = 76
          Width = 363
          Height = 57
          Align = alBottom
          Color = clBtnFace
          Font.Charset = DEFAULT_CHARSET
          Font.Color = clWindowText
          Font.Height = -11
          Font.Name = 'Courier New'
          Font.Style = []
          ParentFont = False
          ReadOnly = True
          ScrollBars = ssBoth
          WordWrap = False
          TabOrder = 1
        end
        object EditsSplitter: TSplitter
          Left = 0
          Top = 73
          Width = 363
          Height = 3
          Align = alBottom
        end
        object DefinitionMemo: TMemo
          Left = 0
          Top = 0
          Width = 363
          Height = 73
          Align = alClient
          Font.Charset = DEFAULT_CHARSET
          Font.Color = clWindowText
          Font.Height = -11
          Font.Name = 'Courier New'
          Font.Style = []
          OEMConvert = True
          ParentFont = False
          ReadOnly = True
          ScrollBars = ssBoth
          WordWrap = False
          TabOrder = 0
          OnChange = DefinitionMemoChange
          OnExit = DefinitionMemoExit
        end
      end
      object TabData: TTabSheet
        Caption = 'Data'
        HelpContext = 1060
      end
      object TabSQL: TTabSheet
        Caption = 'Enter SQL'
        HelpContext = 1070
        object QueryPanel: TPanel
          Left = 0
          Top = 0
          Width = 363
          Height = 77
          Align = alTop
          BevelOuter = bvNone
          TabOrder = 0
          object SBQExecQuery: TSpeedButton
            Left = 2
            Top = 2
            Width = 23
            Height = 22
            Hint = 'Execute'
            Glyph.Data = 'sb-execute.png'
          end
          object SBQPrevQuery: TSpeedButton
            Left = 2
            Top = 26
            Width = 23
            Height = 22
            Hint = 'Previous Query'
            Glyph.Data = 'sb-prev-query.png'
          end
          object SBQNextQuery: TSpeedButton
            Left = 2
            Top = 50
            Width = 23
            Height = 22
            Hint = 'Next Query'
            Glyph.Data = 'sb-next-query.png'
          end
          object QueryMemo: TMemo
            Left = 28
            Top = 0
            Width = 335
            Height = 77
            Anchors = [akLeft, akTop, akRight, akBottom]
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'Courier New'
            Font.Style = []
            ParentFont = False
            ScrollBars = ssBoth
            WordWrap = False
            TabOrder = 0
          end
        end
        object QuerySplitter: TSplitter
          Left = 0
          Top = 77
          Width = 363
          Height = 3
          Align = alTop
        end
      end
    end
  end
  object StatusBar: TStatusBar
    Left = 0
    Top = 206
    Width = 554
    Height = 19
    Align = alBottom
    SimplePanel = True
  end
  object SmallImages: TImageList
  end
  object LargeImages: TImageList
    Height = 32
    Width = 32
  end
  object EOStateImages: TImageList
    Bitmaps = ('eostateimages.png')
  end
  object MainMenu: TMainMenu
    object MObject: TMenuItem
      Caption = '&Object'
      OnClick = MObjectClick
      object MOpen: TMenuItem
        Caption = '&Open'
        HelpContext = 2300
        OnClick = PMOpenCloseClick
      end
      object MClose: TMenuItem
        Caption = '&Close'
        HelpContext = 2310
        OnClick = PMOpenCloseClick
      end
      object MNew: TMenuItem
        Caption = '&New...'
        HelpContext = 2320
        ShortCut = 16462
        OnClick = PMNewClick
      end
      object MDelete: TMenuItem
        Caption = '&Delete'
        HelpContext = 2330
        ShortCut = 16452
        OnClick = PMDeleteClick
      end
      object MRename: TMenuItem
        Caption = 'Rena&me'
        HelpContext = 2340
        ShortCut = 16461
        OnClick = PMRenameClick
      end
      object MApply: TMenuItem
        Caption = '&Apply'
        HelpContext = 2350
        ShortCut = 16449
        OnClick = PMSaveClick
      end
      object MCancel: TMenuItem
        Caption = 'Cance&l'
        HelpContext = 2360
        ShortCut = 32776
        OnClick = PMCancelClick
      end
      object MSaveAs: TMenuItem
        Caption = '&Save As...'
        HelpContext = 2370
        ShortCut = 16467
        OnClick = PMSaveAsClick
      end
      object MActions: TMenuItem
        Caption = '-'
      end
      object MExitBreak: TMenuItem
        Caption = '-'
      end
      object MExit: TMenuItem
        Caption = 'E&xit'
        HelpContext = 2380
        OnClick = MExitClick
      end
    end
    object MEdit: TMenuItem
      Caption = '&Edit'
      OnClick = MEditClick
      object MUndo: TMenuItem
        Caption = '&Undo'
        HelpContext = 2390
        ShortCut = 16474
        OnClick = MUndoClick
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object MCut: TMenuItem
        Caption = 'Cu&t'
        HelpContext = 2400
        ShortCut = 16472
        OnClick = MCutClick
      end
      object MCopy: TMenuItem
        Caption = '&Copy'
        HelpContext = 2410
        ShortCut = 16451
        OnClick = MCopyClick
      end
      object MPaste: TMenuItem
        Caption = '&Paste'
        HelpContext = 2420
        ShortCut = 16470
        OnClick = MPasteClick
      end
      object MEditDelete: TMenuItem
        Caption = '&Delete'
        HelpContext = 2430
        OnClick = MEditDeleteClick
      end
      object N2: TMenuItem
        Caption = '-'
      end
      object MSelectAll: TMenuItem
        Caption = 'Se&lect All'
        HelpContext = 2440
        OnClick = MSelectAllClick
      end
      object NTextBreak: TMenuItem
        Caption = '-'
      end
      object MText: TMenuItem
        Caption = '&Text'
        HelpContext = 2450
        ShortCut = 16468
        OnClick = MTextClick
      end
      object MCutShift: TMenuItem
        Caption = 'Cut'
        ShortCut = 8238
        Visible = False
        OnClick = MCutClick
      end
      object MCopyCtrl: TMenuItem
        Caption = 'Copy'
        ShortCut = 16429
        Visible = False
        OnClick = MCopyClick
      end
      object MPasteShift: TMenuItem
        Caption = 'Paste'
        ShortCut = 8237
        Visible = False
        OnClick = MPasteClick
      end
      object MDeleteCtrl: TMenuItem
        Caption = 'Delete'
        ShortCut = 16430
        Visible = False
        OnClick = MEditDeleteClick
      end
    end
    object MView: TMenuItem
      Caption = '&View'
      OnClick = MViewClick
      object MToolbar: TMenuItem
        Caption = '&Toolbar'
        Checked = True
        HelpContext = 2460
        OnClick = MToolbarClick
      end
      object MStatusBar: TMenuItem
        Caption = 'Status &Bar'
        Checked = True
        HelpContext = 2470
        OnClick = MStatusBarClick
      end
      object MViewBlobs: TMenuItem
        Caption = 'Blob &Explorer'
        HelpContext = 2480
      end
      object N3: TMenuItem
        Caption = '-'
      end
      object MViewSystemData: TMenuItem
        Caption = '&System Data'
        HelpContext = 2490
        OnClick = MViewSystemDataClick
      end
      object MViewCompleteText: TMenuItem
        Caption = '&Complete Text'
        HelpContext = 2500
        OnClick = MViewCompleteTextClick
      end
      object MViewEditText: TMenuItem
        Caption = 'Cha&nge Text'
        Checked = True
        HelpContext = 2510
        OnClick = MViewEditTextClick
      end
      object MFont: TMenuItem
        Caption = 'Text &Font...'
        HelpContext = 2520
        OnClick = MFontClick
      end
      object N9: TMenuItem
        Caption = '-'
      end
      object MLargeIcons: TMenuItem
        Caption = 'Lar&ge Icons'
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2530
        OnClick = ViewStyleClick
      end
      object MSmallIcons: TMenuItem
        Caption = 'S&mall Icons'
        Tag = 1
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2540
        OnClick = ViewStyleClick
      end
      object MList: TMenuItem
        Caption = '&List'
        Tag = 2
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2550
        OnClick = ViewStyleClick
      end
      object MDetail: TMenuItem
        Caption = '&Detail'
        Checked = True
        Tag = 3
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2560
        OnClick = ViewStyleClick
      end
      object N8: TMenuItem
        Caption = '-'
      end
      object MAutoArrange: TMenuItem
        Caption = '&Auto Arrange'
        HelpContext = 2570
        OnClick = MAutoArrangeClick
      end
      object N4: TMenuItem
        Caption = '-'
      end
      object MPrevious: TMenuItem
        Caption = '&Previous'
        HelpContext = 2580
        ShortCut = 16464
        OnClick = MPreviousClick
      end
      object MRefresh: TMenuItem
        Caption = '&Refresh'
        HelpContext = 2590
        ShortCut = 16466
        OnClick = PMRefreshClick
      end
      object MRefreshAll: TMenuItem
        Caption = 'Refres&h All'
        HelpContext = 2600
        Visible = False
        OnClick = MRefreshAllClick
      end
      object MSwitchView: TMenuItem
        Caption = 'Switch View'
        HelpContext = 2610
        ShortCut = 123
        Visible = False
        OnClick = MSwitchViewClick
      end
    end
    object MOptions: TMenuItem
      Caption = 'O&ptions'
      object MQuery: TMenuItem
        Caption = '&Query...'
        HelpContext = 2620
      end
      object MIsolation: TMenuItem
        Caption = '&Transaction Isolation'
        object MDirtyRead: TMenuItem
          Caption = '&Dirty Read'
          GroupIndex = 2
          RadioItem = True
          HelpContext = 2630
        end
        object MCommittedRead: TMenuItem
          Caption = '&Committed Read'
          Checked = True
          Tag = 1
          GroupIndex = 2
          RadioItem = True
          HelpContext = 2640
        end
        object MRepeatableRead: TMenuItem
          Caption = '&Repeatable Read'
          Tag = 2
          GroupIndex = 2
          RadioItem = True
          HelpContext = 2650
        end
      end
      object N5: TMenuItem
        Caption = '-'
      end
      object MWordWrap: TMenuItem
        Caption = 'W&ord Wrap'
        HelpContext = 2660
        OnClick = MWordWrapClick
      end
      object MShowConfirms: TMenuItem
        Caption = 'Show &Confirmations'
        Checked = True
        HelpContext = 2670
        OnClick = OptionClick
      end
      object MShowWarnings: TMenuItem
        Caption = 'Show &Warnings'
        Checked = True
        HelpContext = 2680
        OnClick = OptionClick
      end
      object MSyncPages: TMenuItem
        Caption = '&Sync Pages'
        Checked = True
        HelpContext = 2690
        Visible = False
        OnClick = OptionClick
      end
    end
    object MDictionary: TMenuItem
      Caption = '&Dictionary'
      Visible = False
      object MDRImportDb: TMenuItem
        Caption = 'I&mport from Database...'
        OnClick = MDRImportDbClick
      end
    end
    object MHelp: TMenuItem
      Caption = '&Help'
      object MContents: TMenuItem
        Caption = '&Contents'
        HelpContext = 2700
        OnClick = MContentsClick
      end
      object MAbout: TMenuItem
        Caption = '&About...'
        HelpContext = 2710
        OnClick = MAboutClick
      end
    end
  end
  object BasePopupMenu: TPopupMenu
    OnPopup = BasePopupMenuPopup
    object PMView: TMenuItem
      Caption = '&View'
      object PMLargeIcons: TMenuItem
        Caption = 'Lar&ge Icons'
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2530
        OnClick = ViewStyleClick
      end
      object PMSmallIcons: TMenuItem
        Caption = 'S&mall Icons'
        Tag = 1
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2540
        OnClick = ViewStyleClick
      end
      object PMList: TMenuItem
        Caption = '&List'
        Tag = 2
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2550
        OnClick = ViewStyleClick
      end
      object PMDetail: TMenuItem
        Caption = '&Detail'
        Checked = True
        Tag = 3
        GroupIndex = 1
        RadioItem = True
        HelpContext = 2560
        OnClick = ViewStyleClick
      end
      object PMN1: TMenuItem
        Caption = '-'
      end
      object PMAutoArrange: TMenuItem
        Caption = '&Auto Arrange'
        HelpContext = 2570
        OnClick = MAutoArrangeClick
      end
    end
    object PMViewBreak: TMenuItem
      Caption = '-'
    end
    object PMOpen: TMenuItem
      Caption = '&Open'
      HelpContext = 2300
      OnClick = PMOpenCloseClick
    end
    object PMClose: TMenuItem
      Caption = '&Close'
      HelpContext = 2310
      OnClick = PMOpenCloseClick
    end
    object PMRefresh: TMenuItem
      Caption = '&Refresh'
      HelpContext = 2590
      OnClick = PMRefreshClick
    end
    object PMNew: TMenuItem
      Caption = '&New...'
      HelpContext = 2320
      OnClick = PMNewClick
    end
    object PMDelete: TMenuItem
      Caption = '&Delete'
      HelpContext = 2330
      OnClick = PMDeleteClick
    end
    object PMRename: TMenuItem
      Caption = 'Rena&me'
      HelpContext = 2340
      OnClick = PMRenameClick
    end
    object PMApply: TMenuItem
      Caption = '&Apply'
      HelpContext = 2350
      OnClick = PMSaveClick
    end
    object PMCancel: TMenuItem
      Caption = 'Cance&l'
      HelpContext = 2360
      OnClick = PMCancelClick
    end
    object PMSaveAs: TMenuItem
      Caption = '&Save As...'
      HelpContext = 2370
      OnClick = PMSaveAsClick
    end
    object PMSaveText: TMenuItem
      Caption = 'Save &Text to File...'
      HelpContext = 2720
      Visible = False
      OnClick = PMSaveTextClick
    end
    object PMHotKey: TMenuItem
      Caption = 'HotKey'
      ShortCut = 32889
      Visible = False
      OnClick = MHotKeyClick
    end
    object PMRenameKey: TMenuItem
      Caption = '_Rename'
      HelpContext = 2340
      ShortCut = 113
      Visible = False
      OnClick = PMRenameClick
    end
    object PMActions: TMenuItem
      Caption = '-'
    end
  end
  object SaveQueryDialog: TSaveDialog
    Filter = 'SQL Files(*.sql)|*.sql|All Files|*.*'
    Options = [ofOverwritePrompt, ofHideReadOnly]
    Title = 'Save Query'
  end
end
