object LayoutForm: TLayoutForm
  Left = 200
  Top = 100
  BorderStyle = bsSizeable
  Caption = 'Velloria - Layout'
  ClientHeight = 400
  ClientWidth = 600
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  PixelsPerInch = 120
  OnCreate = FormCreate
  object ProgressBar1: TProgressBar
    Left = 0
    Top = 0
    Width = 600
    Height = 15
    Align = alTop
    Max = 200
    Step = 2
    Position = 60
  end
  object TopPanel: TPanel
    Left = 0
    Top = 15
    Width = 600
    Height = 40
    Align = alTop
    BevelOuter = bvLowered
    Caption = 'Seating Tree'
    Font.Height = -17
    Font.Style = [fsBold]
    ParentFont = False
  end
  object BottomPanel: TPanel
    Left = 0
    Top = 370
    Width = 600
    Height = 30
    Align = alBottom
    BevelOuter = bvNone
  end
  object LeftPanel: TPanel
    Left = 0
    Top = 55
    Width = 120
    Height = 315
    Align = alLeft
    BevelOuter = bvNone
    object CreateButton: TBitBtn
      Left = 10
      Top = 10
      Width = 100
      Height = 30
      Caption = 'Create'
      TabOrder = 0
      OnClick = CreateButtonClick
    end
    object OnlyRSVPCheckBox: TCheckBox
      Left = 10
      Top = 50
      Width = 105
      Height = 20
      Caption = 'Only RSVP'
      TabOrder = 1
    end
    object UseIconsCheckBox: TCheckBox
      Left = 10
      Top = 75
      Width = 105
      Height = 20
      Caption = 'Use Icons'
      State = cbChecked
      TabOrder = 2
    end
  end
  object RightPanel: TPanel
    Left = 400
    Top = 55
    Width = 200
    Height = 315
    Align = alRight
    TabOrder = 4
    object FontEdit: TEdit
      Left = 10
      Top = 10
      Width = 180
      Height = 25
      AutoSize = False
      TabOrder = 0
      Text = 'MS Sans Serif'
    end
    object SaveButton: TButton
      Left = 10
      Top = 45
      Width = 180
      Height = 30
      Caption = '&Save Tree'
      Enabled = False
      TabOrder = 1
    end
    object ExitButton: TButton
      Left = 110
      Top = 270
      Width = 80
      Height = 30
      Anchors = [akRight, akBottom]
      Cancel = True
      Caption = 'E&xit'
      ModalResult = 2
      TabOrder = 2
    end
  end
  object TreeView1: TTreeView
    Left = 120
    Top = 55
    Width = 280
    Height = 315
    Align = alClient
    HideSelection = False
    Images = ImageList2
    Indent = 19
    StateImages = ImageList1
    TabOrder = 3
  end
  object ImageList1: TImageList
    Bitmaps = ('ui-states.png')
  end
  object ImageList2: TImageList
    Bitmaps = ('ui-nodes.png')
  end
end
