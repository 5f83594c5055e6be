object Form1: TForm1
  Left = 100
  Top = 80
  Caption = 'Velloria - Seating-Tree'
  ClientHeight = 522
  ClientWidth = 778
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  ShowHint = True
  PixelsPerInch = 120
  OnActivate = FormActivate
  OnClose = FormClose
  OnCreate = FormCreate
  object TreeView1: TTreeView
    Left = 95
    Top = 12
    Width = 523
    Height = 498
    Align = alClient
    HideSelection = False
    Images = ImageList2
    Indent = 19
    StateImages = ImageList1
    TabOrder = 0
    OnChange = TreeView1Change
    OnClick = TreeView1Click
    OnDeletion = TreeView1Deletion
    OnDragDrop = TreeView1DragDrop
    OnDragOver = TreeView1DragOver
    OnEdited = TreeView1Edited
    OnEndDrag = TreeView1EndDrag
    OnGetImageIndex = TreeView1GetImageIndex
    OnMouseDown = TreeView1MouseDown
  end
  object Panel1: TPanel
    Left = 0
    Top = 12
    Width = 95
    Height = 498
    Align = alLeft
    BevelOuter = bvNone
    TabOrder = 1
    object CountLabel: TLabel
      Left = 0
      Top = 4
      Width = 95
      Height = 17
      Alignment = taCenter
      AutoSize = False
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -14
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
    end
    object NoneBitBtn: TBitBtn
      Left = 14
      Top = 24
      Width = 34
      Height = 32
      Hint = 'None'
      Glyph.Data = 'glyph-none.png'
      OnClick = KidBitBtnClick
    end
    object CoupleBitBtn: TBitBtn
      Left = 14
      Top = 57
      Width = 34
      Height = 32
      Hint = 'Couple'
      Glyph.Data = 'state-couple.png'
      OnClick = KidBitBtnClick
    end
    object KidBitBtn: TBitBtn
      Left = 14
      Top = 90
      Width = 34
      Height = 32
      Hint = 'Child'
      Glyph.Data = 'state-child.png'
      OnClick = KidBitBtnClick
    end
    object FemaleBitBtn: TBitBtn
      Left = 14
      Top = 123
      Width = 34
      Height = 32
      Hint = 'Female'
      Glyph.Data = 'state-female.png'
      OnClick = KidBitBtnClick
    end
    object MaleBitBtn: TBitBtn
      Left = 14
      Top = 156
      Width = 34
      Height = 32
      Hint = 'Male'
      Glyph.Data = 'state-male.png'
      OnClick = KidBitBtnClick
    end
    object GuestBitBtn: TBitBtn
      Left = 14
      Top = 189
      Width = 34
      Height = 32
      Hint = 'Guest'
      Glyph.Data = 'state-guest.png'
      OnClick = KidBitBtnClick
    end
    object MemberBitBtn: TBitBtn
      Left = 14
      Top = 222
      Width = 34
      Height = 32
      Hint = 'Wedding Party Member'
      Glyph.Data = 'state-wedding-party.png'
      OnClick = KidBitBtnClick
    end
    object HappyBitBtn: TBitBtn
      Left = 14
      Top = 255
      Width = 34
      Height = 32
      Hint = 'Happy With - No More Consideration Needed'
      Glyph.Data = 'state-happy.png'
      OnClick = KidBitBtnClick
    end
    object CheckMkBitBtn: TBitBtn
      Left = 14
      Top = 288
      Width = 34
      Height = 32
      Hint = 'OK No More Consideration Needed'
      Glyph.Data = 'state-ok.png'
      OnClick = KidBitBtnClick
    end
    object DontBitBtn: TBitBtn
      Left = 14
      Top = 321
      Width = 34
      Height = 32
      Hint = 'Not Allowed'
      Glyph.Data = 'state-not-allowed.png'
      OnClick = KidBitBtnClick
    end
    object None2BitBtn: TBitBtn
      Left = 53
      Top = 24
      Width = 34
      Height = 32
      Hint = 'None'
      Glyph.Data = 'glyph-none.png'
      OnClick = KidBitBtnClick
    end
    object Happy2BitBtn: TBitBtn
      Left = 53
      Top = 57
      Width = 34
      Height = 32
      Hint = 'Happy With - No More Consideration Needed'
      Glyph.Data = 'node-happy.png'
      OnClick = KidBitBtnClick
    end
    object Check2BitBtn: TBitBtn
      Left = 53
      Top = 90
      Width = 34
      Height = 32
      Hint = 'OK No More Consideration Needed'
      Glyph.Data = 'node-ok.png'
      OnClick = KidBitBtnClick
    end
    object Dont2BitBtn: TBitBtn
      Left = 53
      Top = 123
      Width = 34
      Height = 32
      Hint = 'Not Allowed'
      Glyph.Data = 'node-not-allowed.png'
      OnClick = KidBitBtnClick
    end
    object NoSmokeBitBtn: TBitBtn
      Left = 53
      Top = 156
      Width = 34
      Height = 32
      Hint = 'No Smoking'
      Glyph.Data = 'node-no-smoking.png'
      OnClick = KidBitBtnClick
    end
    object WheelChrBitBtn: TBitBtn
      Left = 53
      Top = 189
      Width = 34
      Height = 32
      Hint = 'Disabled'
      Glyph.Data = 'node-disabled.png'
      OnClick = KidBitBtnClick
    end
    object HighBitBtn: TBitBtn
      Left = 53
      Top = 222
      Width = 34
      Height = 32
      Hint = 'Highchair'
      Glyph.Data = 'node-highchair.png'
      OnClick = KidBitBtnClick
    end
    object AppleBitBtn: TBitBtn
      Left = 53
      Top = 255
      Width = 34
      Height = 32
      Hint = 'Vegetarian'
      Glyph.Data = 'node-vegetarian.png'
      OnClick = KidBitBtnClick
    end
    object FishBitBtn: TBitBtn
      Left = 53
      Top = 288
      Width = 34
      Height = 32
      Hint = 'Vegetarian - Fish OK'
      Glyph.Data = 'node-vegetarian-fish.png'
      OnClick = KidBitBtnClick
    end
    object BirdBitBtn: TBitBtn
      Left = 53
      Top = 321
      Width = 34
      Height = 32
      Hint = 'Vegetarian - Fowl OK'
      Glyph.Data = 'node-vegetarian-fowl.png'
      OnClick = KidBitBtnClick
    end
    object FishBirdBitBtn: TBitBtn
      Left = 53
      Top = 354
      Width = 34
      Height = 32
      Hint = 'Vegetarian - Fish or Fowl OK'
      Glyph.Data = 'node-vegetarian-fish-fowl.png'
      OnClick = KidBitBtnClick
    end
    object KosherBitBtn: TBitBtn
      Left = 53
      Top = 387
      Width = 34
      Height = 32
      Hint = 'Kosher'
      Glyph.Data = 'node-kosher.png'
      OnClick = KidBitBtnClick
    end
    object CreateButton: TBitBtn
      Left = 8
      Top = 424
      Width = 80
      Height = 30
      Caption = 'Create'
      Glyph.Data = 'glyph-create.png'
      OnClick = CreateButtonClick
    end
    object OnlyRSVPCheckBox: TCheckBox
      Left = 0
      Top = 458
      Width = 95
      Height = 17
      Caption = 'Only RSVP'
    end
    object UseIconsCheckBox: TCheckBox
      Left = 0
      Top = 477
      Width = 95
      Height = 17
      Caption = 'Use Icons'
    end
  end
  object Panel3: TPanel
    Left = 0
    Top = 510
    Width = 778
    Height = 12
    Align = alBottom
    TabOrder = 2
  end
  object Panel4: TPanel
    Left = 618
    Top = 12
    Width = 160
    Height = 498
    Align = alRight
    TabOrder = 3
    object FontEdit: TEdit
      Left = 10
      Top = 8
      Width = 140
      Height = 24
      TabOrder = 0
      OnClick = FontEditClick
    end
    object BitBtn1: TBitBtn
      Left = 10
      Top = 40
      Width = 140
      Height = 30
      Caption = '&Open Tree'
      Glyph.Data = 'glyph-open-tree.png'
      OnClick = LoadButtonClick
    end
    object SaveButton: TBitBtn
      Left = 10
      Top = 74
      Width = 140
      Height = 30
      Caption = '&Save Tree'
      Enabled = False
      Glyph.Data = 'glyph-save-tree.png'
      OnClick = SaveButtonClick
    end
    object BitBtn2: TBitBtn
      Left = 10
      Top = 108
      Width = 140
      Height = 30
      Caption = '&Print Tree'
      Glyph.Data = 'glyph-print-tree.png'
      OnClick = BitBtn2Click
    end
    object NewTableButton: TBitBtn
      Left = 10
      Top = 142
      Width = 140
      Height = 30
      Caption = 'New &Table'
      Enabled = False
      Glyph.Data = 'glyph-new-table.png'
      OnClick = NewTableButtonClick
    end
    object NewGuestButton: TBitBtn
      Left = 10
      Top = 176
      Width = 140
      Height = 30
      Caption = 'New &Guest'
      Enabled = False
      Glyph.Data = 'glyph-new-guest.png'
      OnClick = NewGuestButtonClick
    end
    object DeleteItemButton: TBitBtn
      Left = 10
      Top = 210
      Width = 140
      Height = 30
      Caption = '&Delete Item'
      Glyph.Data = 'glyph-delete-item.png'
      OnClick = DeleteItemButtonClick
    end
    object HelpBitBtn: TBitBtn
      Left = 10
      Top = 244
      Width = 140
      Height = 30
      Caption = 'Tree &Help'
      Glyph.Data = 'glyph-tree-help.png'
      OnClick = HelpBitBtnClick
    end
    object FindFirstBitBtn: TBitBtn
      Left = 10
      Top = 290
      Width = 140
      Height = 30
      Caption = 'Find &First'
      Enabled = False
      Glyph.Data = 'glyph-find-first.png'
      Hint = 'Find First Occurrence'
      OnClick = FindFirstBitBtnClick
    end
    object FindNextBitBtn: TBitBtn
      Left = 10
      Top = 324
      Width = 140
      Height = 30
      Caption = '&Next'
      Enabled = False
      Glyph.Data = 'glyph-find-next.png'
      Hint = 'Find Next Occurrence'
      OnClick = FindFirstBitBtnClick
    end
    object Edit1: TEdit
      Left = 10
      Top = 358
      Width = 140
      Height = 24
    end
    object Label1: TLabel
      Left = 10
      Top = 386
      Width = 140
      Height = 17
      Alignment = taCenter
      AutoSize = False
      Caption = 'Case Sensitive'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clNavy
      Font.Height = -14
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
    end
    object ExitButton: TBitBtn
      Left = 10
      Top = 458
      Width = 140
      Height = 30
      Caption = 'E&xit'
      Glyph.Data = 'glyph-exit.png'
      OnClick = ExitButtonClick
    end
  end
  object ProgressBar1: TProgressBar
    Left = 0
    Top = 0
    Width = 778
    Height = 12
    Align = alTop
    Min = 0
    Max = 100
    Step = 2
  end
  object ImageList1: TImageList
    Bitmaps = ('imagelist1.png')
  end
  object ImageList2: TImageList
    Bitmaps = ('imagelist2.png')
  end
  object FontDialog1: TFontDialog
    Device = fdBoth
  end
  object PrintDialog1: TPrintDialog
  end
  object DataSource1: TvxDataSource
    DataSet = SeatTable
  end
  object SeatTable: TvxTable
    SyncSQLByRange = True
    NarrowSearch = False
    ValidateWithMask = True
  end
  object DataSource22: TvxDataSource
    DataSet = Table22
  end
  object Table22: TvxTable
    SyncSQLByRange = True
    NarrowSearch = False
    ValidateWithMask = True
  end
end
